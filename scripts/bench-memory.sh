#!/usr/bin/env bash
# Builds and runs the memory benchmark (bench/stream_memory_bench.cpp) in the native build: peak
# resident set per picture worker for builds of 8000 x 8000 pictures and a 200-megapixel panorama.
#   scripts/bench-memory.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/native/CMakeCache.txt ]] || cmake --preset native >/dev/null
cmake --build build/native --target stream_memory_bench
exec build/native/bench/stream_memory_bench "$@"
