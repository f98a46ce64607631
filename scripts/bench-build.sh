#!/usr/bin/env bash
# Builds and runs the gallery build benchmark (bench/build_bench.cpp) in the native build: a
# gallery of large JPEGs built with one job and with all cores, against djpeg's full decode.
#   scripts/bench-build.sh [PICTURES [REPEATS [MEGAPIXELS]]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/native/CMakeCache.txt ]] || cmake --preset native >/dev/null
cmake --build build/native --target build_bench fotoloom
exec build/native/bench/build_bench "$@"
