#!/usr/bin/env bash
# Sets up the machine, builds Fotoloom for Linux, and builds a demo web gallery from real
# photographs (Debian's lomiri-wallpapers-16.04, installed by the set-up) with `fotoloom demo`.
# Prints the path of the gallery's index.html; open it in any browser.
#   scripts/demo.sh [--theme classic|darkroom|minimal] [--open]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh >&2
cmake --preset native >/dev/null
cmake --build --preset native --target fotoloom >&2

demo=build/demo
mkdir -p "$demo"
export FOTOLOOM_RECENT_INI="$PWD/$demo/last.ini"
build/native/cli/fotoloom demo --output "$PWD/$demo" "$@"
