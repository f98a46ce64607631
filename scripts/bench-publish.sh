#!/usr/bin/env bash
# Builds and runs the publish benchmark (bench/publish_bench.cpp) in the native build: a gallery
# of PICTURES photos published over SFTP to an sshd of its own on loopback, against sftp put -r
# and rsync -e ssh, then again after one caption change against rsync.
#   scripts/bench-publish.sh [PICTURES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[[ -f build/native/CMakeCache.txt ]] || cmake --preset native >/dev/null
cmake --build build/native --target publish_bench
exec build/native/bench/publish_bench "$@"
