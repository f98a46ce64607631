#!/usr/bin/env bash
# Sets up the machine, builds every target (Linux, Windows x86-64, Windows i686) and runs every
# test: natively, and the Windows builds under Wine64. Exit status 0 only when all of it passed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

status=0
echo "== house rules"
bash scripts/check-house.sh || status=1

for preset in native win64 win32; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

trap 'bash scripts/wine-run.sh --stop build/win64' EXIT

# The fuzzers first, so that the test runners' summaries close the output.
if [[ -x scripts/fuzz.sh ]]; then
  echo "== fuzz (short run of every target)"
  bash scripts/fuzz.sh "${FOTOLOOM_FUZZ_SECONDS:-20}" || status=1
fi

# The downloads, made from the builds above and tried as a person would use them.
echo "== release (installer, portable zip, Debian package)"
if bash scripts/release.sh --no-build; then
  bash scripts/release-test.sh || status=1
else
  status=1
fi

echo "== test native"
ctest --preset native || status=1
echo "== test win64 (under Wine)"
ctest --preset win64 || status=1

exit $status
