#!/usr/bin/env bash
# Runs the test suites while the machine is busy, to show that none of them depends on an idle
# machine: ROUNDS rounds (5 unless given) of every native and Windows (Wine) suite, each round in
# a random order of entries and of the cases within them, while two processes keep every core
# busy. Prints each round's failures and the total; exit status 1 when any test failed.
# The builds must be there (scripts/test.sh, or cmake --build --preset native / win64).
#   stress-tests.sh [ROUNDS] [CTEST_ARGS...]    e.g. stress-tests.sh 1 -R ThemeSource
set -uo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
shift || true
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "stress: ROUNDS must be a positive number, not '$rounds'" >&2; exit 2; }
for build in build/native build/win64; do
  [[ -f "$build/CTestTestfile.cmake" ]] || { echo "stress: $build is not built (run scripts/test.sh first)" >&2; exit 2; }
done
if ! command -v stress-ng >/dev/null; then
  echo "stress: installing stress-ng"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends stress-ng ||
    { echo "stress: could not install stress-ng" >&2; exit 2; }
fi

log_dir=$(mktemp -d)
load_pid=""
cleanup() {
  [[ -n "$load_pid" ]] && kill "$load_pid" 2>/dev/null && wait "$load_pid" 2>/dev/null
  bash scripts/wine-run.sh --stop build/win64
  rm -rf "$log_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Two busy processes, whatever the number of cores: what a build or a browser beside the tests does.
stress-ng --cpu 2 --cpu-load 100 --timeout 0 --quiet &
load_pid=$!

failures=()
started=$(date +%s)
for round in $(seq "$rounds"); do
  seed=$((RANDOM % 99999 + 1))
  for build in native win64; do
    # The end-to-end tests and the page scores measure whole programs and a browser, not suites:
    # a page's speed score under load says nothing about the tests.
    log="$log_dir/$build-$round.log"
    GTEST_SHUFFLE=1 GTEST_RANDOM_SEED=$seed \
      ctest --test-dir "build/$build" --schedule-random -LE 'e2e|lighthouse' --output-on-failure "$@" >"$log" 2>&1
    summary=$(grep -E 'tests passed|No tests were found' "$log" | tail -1)
    echo "stress: round $round, $build (case order seed $seed): ${summary:-no summary, see below}"
    while IFS= read -r failed; do
      failures+=("round $round, $build: $failed")
      echo "  FAILED $failed"
    done < <(sed -n '/The following tests FAILED:/,$p' "$log" | sed -n 's/^[[:space:]]*[0-9]* - \(.*\)$/\1/p')
    if [[ -z "$summary" ]]; then
      failures+=("round $round, $build: ctest gave no summary")
      tail -20 "$log"
    fi
  done
done

echo "stress: ${#failures[@]} failures in $rounds rounds under load, $(( ($(date +%s) - started) / 60 )) min"
for f in "${failures[@]}"; do echo "  $f"; done
((${#failures[@]} == 0))
