#!/usr/bin/env bash
# Checks the rules of the house on the sources, one message per breach:
#   - a portable folder includes no <windows.h> (its platform back ends, *_win.cpp, may);
#   - a subsystem includes only itself and the subsystems below it;
#   - every C and C++ file is as clang-format writes it;
#   - no product file is over 600 lines, unless a line below says why.
#   check-house.sh [ROOT]     ROOT defaults to the repository; exit status 1 on any breach
set -uo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || { echo "check-house: no folder $root" >&2; exit 2; }

longest=600
# Product files allowed past the limit, each with why.
declare -A long_ok=(
  # One resampler: its axis weights and tap tables, the floating-point and fixed-point kernels
  # built from them, and the driver that picks between them; apart, the tables would need a
  # header of the kernels' internals.
  [picture/resample.cpp]=1
)

status=0
breach() { echo "check-house: $*" >&2; status=1; }

# The sources: every C and C++ file outside the build trees and the test data.
mapfile -t sources < <(find . \( -path ./build -o -path './build-*' -o -path ./tests/data -o -path ./.git \
                               -o -name node_modules \) -prune -o \
                            -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print |
                       sed 's|^\./||' | LC_ALL=C sort)

# The subsystem a path belongs to, by its folder, into $sub.
subsystem_of() {
  case "$1" in
    generator/ui/*) sub=generator/ui ;;
    publish/ui/*) sub=publish/ui ;;
    taskpane/include/*) sub=taskpane/include ;;
    */*) sub=${1%%/*} ;;
    *) sub="" ;;
  esac
}

# What each subsystem may include besides itself: the layers below it.
declare -A may_use=(
  [base]=""
  [picture]="base"
  [gallery]="picture base"
  [generator]="gallery picture base"
  [publish]="generator gallery picture base"
  [cli]="publish generator gallery picture base"
  [winui]="base"
  [controls]="winui base"
  [generator/ui]="publish generator gallery picture base controls winui resources"
  [publish/ui]="publish generator gallery picture base controls winui resources"
  [app]="publish/ui generator/ui publish generator gallery picture base controls winui resources taskpane/include"
  [taskpane]="taskpane/include"
)
portable=" base picture gallery generator publish cli "
ours=" ${!may_use[*]} resources "

for file in "${sources[@]}"; do
  subsystem_of "$file"
  from=$sub
  [[ -n "$from" && -n "${may_use[$from]+set}" ]] || continue
  # The platform's own header stays in the platform folders and the back ends.
  if [[ "$portable" == *" $from "* && ! "$file" =~ _win\.(cpp|h)$ ]]; then
    while IFS=: read -r line _; do
      breach "$file:$line: <windows.h> in a portable folder (only a *_win.cpp back end may include it)"
    done < <(grep -n -i -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<windows\.h>' "$file")
  fi
  # Includes go downward only.
  while IFS=: read -r line target; do
    subsystem_of "$target"
    to=$sub
    [[ -n "$to" && " $ours " == *" $to "* ]] || continue
    [[ "$to" == "$from" || " ${may_use[$from]} " == *" $to "* ]] && continue
    breach "$file:$line: $from includes \"$target\" of $to, which is not below it"
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
  # Size.
  if [[ "$file" != tests/* && "$file" != bench/* && -z "${long_ok[$file]:-}" ]]; then
    lines=$(wc -l <"$file")
    ((lines > longest)) && breach "$file: $lines lines, over $longest: split it along a seam, or say in check-house.sh why not"
  fi
done

# The house format, as the repository's .clang-format gives it.
if ! command -v clang-format >/dev/null; then
  breach "clang-format is not installed (scripts/setup.sh installs it)"
elif ((${#sources[@]})); then
  while IFS= read -r file; do
    breach "$file: not in the house format (clang-format -i $file)"
  done < <(printf '%s\0' "${sources[@]}" |
           xargs -0 -n 50 -P 2 clang-format --dry-run -Werror 2>&1 |
           sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | LC_ALL=C sort -u)
fi

((status == 0)) && echo "check-house: ${#sources[@]} files keep the house rules"
exit $status
