#!/usr/bin/env bash
# Redraws the pictures of the shipped themes (template/*/images/) and the preview's sample picture
# (resources/sample.gif) from their sources in resources/art/themes/. The results are committed,
# so a build never needs this; run it after changing a source.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "make-theme-art: rsvg-convert is missing (scripts/setup.sh)" >&2; exit 1; }
[[ -x /usr/bin/convert ]] || { echo "make-theme-art: ImageMagick's /usr/bin/convert is missing" >&2; exit 1; }
art=resources/art/themes
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

png() {  # png SOURCE.svg SIZE OUT.png
  rsvg-convert -w "$2" -h "$2" "$art/$1" -o "$work/out.png"
  # -strip: no time stamps, so an unchanged source gives the same bytes.
  /usr/bin/convert "$work/out.png" -strip "$3"
}

for theme in classic darkroom minimal; do
  mkdir -p "template/$theme/images"
  png "$theme-favicon.svg" 32 "template/$theme/images/favicon.png"
  png "$theme-favicon.svg" 180 "template/$theme/images/touch-icon.png"
done
png classic-paper.svg 96 template/classic/images/paper.png
png darkroom-grain.svg 128 template/darkroom/images/grain.png

rsvg-convert -w 320 -h 240 "$art/sample.svg" -o "$work/sample.png"
/usr/bin/convert "$work/sample.png" -strip -colors 64 resources/sample.gif
echo "make-theme-art: done"
