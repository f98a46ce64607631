#!/usr/bin/env bash
# Builds the Windows thumbnail benchmark (bench/thumbnail_bench.cpp) in the win64 build and runs it
# under Wine: how fast an album of large JPEGs fills in, with one decoding helper and one per core.
#   scripts/bench-thumbnails.sh [PICTURES [REPEATS]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/win64/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
cmake --build build/win64 --target thumbnail_bench
exec scripts/wine-run.sh build/win64/bench/thumbnail_bench.exe "$@"
