#!/usr/bin/env bash
# Installs, only when missing, every Debian package that building and testing Fotoloom needs.
# Safe to run again: it asks dpkg first and calls apt-get only for what is absent.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # native build and tests
  build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev
  libbenchmark-dev clang libclang-rt-14-dev libcli11-dev
  # the house rules (scripts/check-house.sh): the format of every source
  clang-format
  # picture codecs of the Linux back end
  libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev libjpeg-turbo-progs
  # WebP and HEIF (AVIF, HEIC) on Linux; for Windows the same libraries are built from Debian's
  # sources (scripts/codec-libs.sh), which takes these tools
  libwebp-dev libheif-dev nasm meson
  # Windows cross builds and running them
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
  xvfb xauth x11-utils imagemagick
  # redrawing the icons (scripts/make-art.sh)
  librsvg2-bin
  # compiling Builder.chm, the program's help (chmcmd)
  fp-utils
  # the browser end-to-end test (tests/e2e) and its real photographs, also those of 'fotoloom demo'
  chromium nodejs lomiri-wallpapers-16.04 fonts-wqy-microhei
  # publishing over SFTP: the client it drives, the server its tests start on loopback, and rsync
  # to compare with in the benchmark
  openssh-client openssh-server rsync
  # the system's cryptography on Linux (base/crypto_posix.cpp: SHA-256, HMAC for signing requests)
  libssl-dev
  # screenshots of the program (scripts/screenshots.sh)
  xdotool
  # the downloads (scripts/release.sh) and trying them (scripts/release-test.sh)
  nsis help2man man-db dpkg-dev file
)

# npm (for Lighthouse, below) comes with some builds of Node.js and as its own package with Debian's.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: every package is already installed"
fi

# Debian's wine wrapper prefers a 32-bit loader; this machine runs 64-bit only.
[[ -x /usr/lib/wine/wine64 ]] || { echo "setup: /usr/lib/wine/wine64 is missing after install" >&2; exit 1; }

# Lighthouse for the gallery's scores (scripts/lighthouse.sh --check, run by ctest), from npm, at
# the version the scores were set with.
lighthouse_dir=build/tools/lighthouse
if [[ "$(cat "$lighthouse_dir/node_modules/lighthouse/package.json" 2>/dev/null | grep -o '"version": *"[^"]*"')" != *'"12.2.3"' ]]; then
  echo "setup: installing lighthouse 12.2.3 from npm"
  mkdir -p "$lighthouse_dir"
  (cd "$lighthouse_dir" && npm install --no-audit --no-fund --silent lighthouse@12.2.3 >/dev/null)
fi
