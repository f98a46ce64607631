#!/usr/bin/env bash
# Sets up the machine, builds Fotoloom for Linux, and makes a sample gallery project with the
# command line: two albums of pictures drawn for the occasion, ordered, turned and commented.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target fotoloom

fotoloom=build/native/cli/fotoloom
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/pictures/coast" "$demo/pictures/city"
export FOTOLOOM_RECENT_INI="$PWD/$demo/last.ini"

draw() { /usr/bin/convert -size "$1" "$2" -swirl "$3" "$4"; }
draw 1600x1200 gradient:'#1e5799-#7db9e8' 30 "$demo/pictures/coast/harbour.jpg"
draw 1200x1600 gradient:'#f6d365-#fda085' 60 "$demo/pictures/coast/lighthouse.jpg"
draw 1600x1067 plasma:'#0b486b-#f56217' 0 "$demo/pictures/coast/dunes.jpg"
draw 1600x1200 plasma:'#355c7d-#c06c84' 0 "$demo/pictures/city/tram.jpg"
draw 1200x1200 gradient:'#232526-#414345' 90 "$demo/pictures/city/night.jpg"

project="$demo/sample.gal"
"$fotoloom" new "$project"
"$fotoloom" set "$project" "galleryTitle=Summer by the Sea" "galleryDescription=A week of light, wind and trams." \
  "galleryTitleColor=#2b4c7e" columns=3 rows=2
"$fotoloom" album add "$project" "Coast" --caption "Harbour, lighthouse and dunes"
"$fotoloom" album add "$project" "City" --caption "Evenings in town"
"$fotoloom" image add "$project" 1 "$PWD/$demo/pictures/coast/"*.jpg
"$fotoloom" image add-folder "$project" 2 "$PWD/$demo/pictures/city"
"$fotoloom" image rotate "$project" 1 2 --right
"$fotoloom" image comment "$project" 1 1 --text "Morning at the harbour — Zürich friends visiting"
"$fotoloom" show "$project"
echo
echo "Sample project: $PWD/$project"
