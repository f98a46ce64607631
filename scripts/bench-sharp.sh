#!/usr/bin/env bash
# Builds and runs the sharp pictures benchmark (bench/sharp_pictures_bench.cpp) in the native build:
# a gallery built with high-density files and without, in one run, on a folder of photos and on
# 24-megapixel photos.
#   scripts/bench-sharp.sh [FOLDER [REPEATS [PICTURES24MP]]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/native/CMakeCache.txt ]] || cmake --preset native >/dev/null
cmake --build build/native --target sharp_pictures_bench -j 2
exec build/native/bench/sharp_pictures_bench "$@"
