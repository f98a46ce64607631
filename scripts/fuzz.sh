#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan and UBSan) and runs every fuzz target of
# tests/fuzz for a while each.
#   scripts/fuzz.sh [SECONDS] [LIBFUZZER FLAGS...]     SECONDS per target, 60 by default
#
# Target tests/fuzz/<name>_fuzz.cpp starts from the seeds in tests/fuzz/corpus/<name>/ (or,
# when that folder is missing, the nearest shorter name: gal_reader falls back to gal).
# What a run learns is kept in build/fuzz/corpus/<name>/; crashes are written to
# build/fuzz/artifacts/. The exit status is non-zero when any target failed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[[ $# -gt 0 ]] && shift
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "fuzz: SECONDS must be a number" >&2; exit 2; }

cd "$root"
# Leaks inside the codec libraries themselves (not ours to mend) are listed there.
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/leak_suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
shopt -s nullglob
sources=(tests/fuzz/*_fuzz.cpp)
((${#sources[@]})) || { echo "fuzz: no targets in tests/fuzz" >&2; exit 2; }
targets=()
for source in "${sources[@]}"; do targets+=("$(basename "$source" .cpp)"); done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

seeds_of() {
  local name=$1
  while [[ -n "$name" ]]; do
    [[ -d "tests/fuzz/corpus/$name" ]] && { echo "tests/fuzz/corpus/$name"; return; }
    [[ "$name" == *_* ]] || break
    name=${name%_*}
  done
}

failed=()
for target in "${targets[@]}"; do
  name=${target%_fuzz}
  work="build/fuzz/corpus/$name"
  artifacts="build/fuzz/artifacts/$name/"
  mkdir -p "$work" "$artifacts"
  seeds=$(seeds_of "$name")
  echo "fuzz: $target for ${seconds}s${seeds:+ (seeds: $seeds)}"
  if ! "build/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$@" "$work" ${seeds:+"$seeds"}; then
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz: failed: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
  exit 1
fi
echo "fuzz: every target ran clean"
