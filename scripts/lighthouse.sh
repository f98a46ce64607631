#!/usr/bin/env bash
# Lighthouse scores of the built gallery in every shipped theme: the demo gallery is built with each
# theme, served by a small static server on loopback, and an album page and a picture page are
# audited in headless Chromium (mobile, as Lighthouse runs by default). Prints the four category
# scores per page and every audit that lost points; the reports stay in BUILD_DIR/lighthouse.
#   scripts/lighthouse.sh [BUILD_DIR]   (default build/native, with the fotoloom target built)
# Lighthouse 12.2.3 is installed from npm into BUILD_DIR/lighthouse on the first run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/native}
fotoloom="$root/$build/cli/fotoloom"
[[ -x "$fotoloom" ]] || { echo "lighthouse: $fotoloom is missing; build the native preset first" >&2; exit 1; }
command -v chromium >/dev/null || { echo "lighthouse: chromium is missing (scripts/setup.sh installs it)" >&2; exit 1; }
work="$root/$build/lighthouse"
mkdir -p "$work"
if [[ ! -x "$work/node_modules/.bin/lighthouse" ]]; then
  (cd "$work" && npm install --no-audit --no-fund --silent lighthouse@12.2.3 >/dev/null)
fi

server=""
trap '[[ -n "$server" ]] && kill "$server" 2>/dev/null || true' EXIT
for theme in classic darkroom minimal; do
  rm -rf "$work/$theme"
  mkdir -p "$work/$theme"
  index=$("$fotoloom" demo -o "$work/$theme" --theme "$theme" 2>/dev/null)
  gallery=${index%/index.html}
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$gallery" >/dev/null 2>&1 &
  server=$!
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; done
  for page in index-1-1.html image-1-1.html; do
    report="$work/$theme-${page%.html}.json"
    CHROME_PATH=$(command -v chromium) "$work/node_modules/.bin/lighthouse" "http://127.0.0.1:$port/$page" --quiet \
      --chrome-flags="--headless=new --no-sandbox" --output=json --output-path="$report" \
      --only-categories=performance,accessibility,best-practices,seo
    python3 - "$report" "$theme/$page" <<'PY'
import json, sys
report = json.load(open(sys.argv[1]))
scores = '  '.join(f"{k} {round(v['score'] * 100)}" for k, v in report['categories'].items())
print(f"{sys.argv[2]:<28} {scores}")
for audit in report['audits'].values():
    if audit.get('score') is not None and audit['score'] < 1 and audit.get('scoreDisplayMode') in ('binary', 'numeric', 'metricSavings'):
        print(f"    {round(audit['score'] * 100):>3}  {audit['id']}: {audit['title']}")
PY
  done
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=""
done
