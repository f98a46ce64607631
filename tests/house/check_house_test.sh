#!/usr/bin/env bash
# The house-rule check finds a planted breach of each rule, names the file and line, and passes a
# tree that keeps them.
#   check_house_test.sh SOURCE_ROOT
set -uo pipefail
source_root=${1:?usage: check_house_test.sh SOURCE_ROOT}
check="$source_root/scripts/check-house.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

cp "$source_root/.clang-format" "$tree/"
mkdir -p "$tree"/{base,gallery,generator,publish,app,taskpane/include,cli,tests/unit}
# A tree that keeps every rule: a back end with the platform's header, downward includes, an app
# file using the pane's public header, a long test, formatted code.
printf '#include <windows.h>\n\nint backEnd() { return 1; }\n' >"$tree/base/clock_win.cpp"
printf '#include "base/clock.h"\n#include "gallery/model.h"\n\nint model() { return 2; }\n' >"$tree/generator/pages.cpp"
printf '#include "taskpane/include/pane.h"\n\nint frame() { return 3; }\n' >"$tree/app/frame.cpp"
printf '#include "taskpane/include/pane.h"\n\nint bar() { return 4; }\n' >"$tree/taskpane/bar.cpp"
for i in $(seq 700); do echo "int test$i = $i;"; done >"$tree/tests/unit/long_test.cpp"

out=$(bash "$check" "$tree" 2>&1)
status=$?
[[ $status -eq 0 ]] || fail "a tree that keeps the rules was refused ($status): $out"

# One breach of each rule.
printf '#include <string>\n\n#include <windows.h>\n\nint publish() { return 5; }\n' >"$tree/publish/folder.cpp"
printf '#include "generator/pages.h"\n\nint upward() { return 6; }\n' >"$tree/gallery/album.cpp"
printf '#include "taskpane/bar_layout.h"\n\nint inner() { return 7; }\n' >"$tree/app/pane_host.cpp"
for i in $(seq 601); do echo "int value$i = $i;"; done >"$tree/cli/long.cpp"
printf 'int   badly =1 ;\n' >"$tree/base/crooked.cpp"

out=$(bash "$check" "$tree" 2>&1)
status=$?
[[ $status -eq 1 ]] || fail "breaches ended with $status, not 1"
expect() { [[ "$out" == *"$1"* ]] || fail "no message with: $1"; }
expect 'publish/folder.cpp:3: <windows.h> in a portable folder'
expect 'gallery/album.cpp:1: gallery includes "generator/pages.h" of generator, which is not below it'
expect 'app/pane_host.cpp:1: app includes "taskpane/bar_layout.h" of taskpane, which is not below it'
expect 'cli/long.cpp: 601 lines, over 600'
expect 'base/crooked.cpp: not in the house format'
# Nothing else was reported: the clean files stay clean beside the breaches.
count=$(grep -c '^check-house: ' <<<"$out")
[[ $count -eq 5 ]] || fail "$count messages for 5 breaches: $out"

((failures == 0)) && echo "check-house finds each kind of breach and passes a clean tree"
exit $((failures > 0))
