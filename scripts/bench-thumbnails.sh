#!/usr/bin/env bash
# Builds the Windows thumbnail benchmark (bench/thumbnail_bench.cpp) in the win64 build and runs it
# under Wine: how fast an album of 12-megapixel JPEGs fills in without a cache, with an empty
# cache, with a warm one, and with a warm one after a restart, and the memory it takes.
#   scripts/bench-thumbnails.sh [PICTURES]       e.g. scripts/bench-thumbnails.sh 500
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/win64/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
cmake --build build/win64 --target thumbnail_bench
exec scripts/wine-run.sh build/win64/bench/thumbnail_bench.exe "$@"
