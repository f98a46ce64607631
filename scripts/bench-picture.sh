#!/usr/bin/env bash
# Builds and runs the picture benchmark (bench/picture_bench.cpp) in the native build.
#   scripts/bench-picture.sh [REPEATS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/native/CMakeCache.txt ]] || cmake --preset native >/dev/null
cmake --build build/native --target picture_bench
exec build/native/bench/picture_bench "$@"
