#!/usr/bin/env bash
# Redraws every icon and bitmap of the program from resources/art/ into resources/icons/.
# The binaries are committed, so a build never needs this; run it after changing a picture.
#   scripts/make-art.sh [--sheet contact.png]   (the sheet shows every picture on one page)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "make-art: rsvg-convert is missing (scripts/setup.sh installs it)" >&2; exit 1; }
[[ -x /usr/bin/convert ]] || { echo "make-art: ImageMagick's /usr/bin/convert is missing" >&2; exit 1; }
PYTHONDONTWRITEBYTECODE=1 exec python3 resources/art/make_art.py resources/icons "$@"
