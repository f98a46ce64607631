#!/usr/bin/env bash
# Runs a Windows program under Wine64 for the tests: its own WINEPREFIX under the build folder,
# an Xvfb display when there is none, and one persistent wineserver shared by every run.
#   wine-run.sh PROGRAM.exe [ARGS...]   run a program (ctest's cross-compiling emulator)
#   wine-run.sh --stop [BUILD_DIR]      end the wineserver and the Xvfb this script started
set -euo pipefail

wine=/usr/lib/wine/wine64
die() { echo "wine-run: $*" >&2; exit 1; }

find_build_dir() {
  local d
  d=$(cd "$(dirname "$1")" && pwd)
  while [[ "$d" != / ]]; do
    [[ -f "$d/CMakeCache.txt" ]] && { echo "$d"; return; }
    d=$(dirname "$d")
  done
  pwd
}

if [[ "${1:-}" == --stop ]]; then
  build=${2:-$PWD}
  export WINEPREFIX="$build/wineprefix"
  [[ -d "$WINEPREFIX" ]] && wineserver -k 2>/dev/null || true
  if [[ -f "$build/wine-xvfb.pid" ]]; then
    kill "$(cat "$build/wine-xvfb.pid")" 2>/dev/null || true
    rm -f "$build/wine-xvfb.pid" "$build/wine-display"
  fi
  exit 0
fi

[[ $# -ge 1 ]] || die "usage: wine-run.sh PROGRAM.exe [ARGS...]"
[[ -x "$wine" ]] || die "$wine not found; run scripts/setup.sh"

build=$(find_build_dir "$1")
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# One lock serialises the first-time work (display, prefix, server) between parallel runs.
exec 9>"$build/wine-run.lock"
flock 9

if [[ -z "${DISPLAY:-}" ]]; then
  if [[ -f "$build/wine-display" ]] && kill -0 "$(cat "$build/wine-xvfb.pid" 2>/dev/null)" 2>/dev/null; then
    DISPLAY=$(cat "$build/wine-display")
  else
    for n in $(seq 90 140); do
      [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
      echo $! >"$build/wine-xvfb.pid"
      for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
      [[ -e /tmp/.X11-unix/X$n ]] || die "Xvfb did not start on :$n"
      echo ":$n" >"$build/wine-display"
      DISPLAY=":$n"
      break
    done
    [[ -n "${DISPLAY:-}" ]] || die "no free X display for Xvfb"
  fi
  export DISPLAY
fi

# The server writes the registry files out only now and then, so system.reg is no sign that the
# prefix is ready: a marker written after wineboot succeeded is (a second wineboot on a prefix in
# use can fail).
ready="$WINEPREFIX/.fotoloom-prefix-ready"
if [[ ! -f "$ready" ]]; then
  mkdir -p "$WINEPREFIX"
  if ! "$wine" wineboot --init >"$build/wineboot.log" 2>&1 9>&-; then
    die "Wine could not create its prefix in $WINEPREFIX (see $build/wineboot.log)"
  fi
  touch "$ready"
fi
# A persistent server spares every test program Wine's start-up.
# Fails harmlessly when a server for this prefix already runs.
wineserver -p >/dev/null 2>&1 9>&- || true
# A program that crashes ends with its exception code: no debugger is started for it (Wine's
# own may never return and would hold the whole test run). An empty command starts none.
if [[ ! -f "$WINEPREFIX/.no-crash-debugger" ]]; then
  "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f \
    >/dev/null 2>&1 9>&- && touch "$WINEPREFIX/.no-crash-debugger"
fi

flock -u 9
exec 9>&-

# Wine leaves helper processes (services, device manager) running with the persistent server;
# they inherit the program's stdout and stderr. Going through files keeps them off the caller's
# pipes, which would otherwise stay open and make ctest wait for the server to end.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
set +e
"$wine" "$@" >"$out" 2>"$err" </dev/null
rc=$?
set -e
cat "$out"
cat "$err" >&2
exit $rc
