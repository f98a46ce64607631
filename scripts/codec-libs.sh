#!/usr/bin/env bash
# Builds the picture codec libraries that Windows does not bring (WebP; HEIF and AVIF with their HEVC
# and AV1 codecs) for one mingw-w64 target, as static libraries, from Debian's source
# packages at the versions pinned below, each file checked against its pinned SHA-256. They are
# kept in a cache outside the clone, each library in a folder keyed by its version, its build
# steps, the toolchain and the libraries built before it; so every worktree and every later run
# shares one build, a changed step rebuilds only its library and those after it, and a second run
# only prints where they are.
#   codec-libs.sh x86_64-w64-mingw32|i686-w64-mingw32
#       prints the folder holding codec-libs.cmake (last line of standard output); progress goes
#       to standard error, each library's build log into the cache
#   codec-libs.sh --key TRIPLE     prints the name of that folder alone, building nothing
# FOTOLOOM_CODEC_CACHE moves the cache (default: $XDG_CACHE_HOME/fotoloom/codec-libs or
# ~/.cache/fotoloom/codec-libs); FOTOLOOM_CODEC_JOBS sets the parallel jobs (default: nproc).
# Linux uses Debian's own -dev packages of the same versions instead (scripts/setup.sh).
set -euo pipefail

# Debian bookworm's source packages, in build order (each may use those before it): name,
# version, then each file with its SHA-256. These are the point-release versions whose every
# file Debian's mirror serves (the security archive's newer revisions lack some of their files
# there); move them together with the Linux packages.
pins=(
  "libwebp 1.2.4-0.2+deb12u1
    d9ed0b59e2010f255c28d0869fd15b31f9b08aed757bfc91862d43aa9ec1aa99 libwebp_1.2.4-0.2+deb12u1.dsc
    7bf5a8a28cc69bcfa8cb214f2c3095703c6b73ac5fba4d5480c205331d9494df libwebp_1.2.4.orig.tar.gz
    4c546cf7f757a70d8803ab850e69d28e7ce06e66dbee003fd3ede7346543851a libwebp_1.2.4.orig.tar.gz.asc
    69cdba4dfe2e1b34d55fa80c1b29c31cacd40dd183812d6bcca7e508a2f7afcd libwebp_1.2.4-0.2+deb12u1.debian.tar.xz"
  "libde265 1.0.11-1+deb12u2
    3f42b562a89db54867cbc7f101b73fc581ac9a0b397637c61d9f41e8bbf13332 libde265_1.0.11-1+deb12u2.dsc
    2f8f12cabbdb15e53532b7c1eb964d4e15d444db1be802505e6ac97a25035bab libde265_1.0.11.orig.tar.gz
    81de2919da09690f2fb80383fcc68cda397bfed878a010061627f7794e278f4b libde265_1.0.11-1+deb12u2.debian.tar.xz"
  "dav1d 1.0.0-2+deb12u1
    590dba7fc0ce89cac8bdfbd2cd54594d65dff8b0b4becad1f558e033dd506cb4 dav1d_1.0.0-2+deb12u1.dsc
    51737db7e4897e599684f873a4725176dd3c779e639411d7c4fce134bb5ebb82 dav1d_1.0.0.orig.tar.xz
    208004c32681803aaaf41908d0ec5efe4ee0c20b4ea6258a7ddbf2291925c279 dav1d_1.0.0.orig.tar.xz.asc
    ae53e2bda2a18275cc66570194fced9b9681df2b3b8e041586a26a59d69a727e dav1d_1.0.0-2+deb12u1.debian.tar.xz"
  "aom 3.6.0-1+deb12u2
    3d538ea2182aa36c1fd9ff6a115b1ee129a2eedf885a1fdacd3325ff9c052d63 aom_3.6.0-1+deb12u2.dsc
    2ba213822cb1528b5558d6727125654e14d1b2d7505bd1fc8afa36c2e9e9f94a aom_3.6.0.orig.tar.gz
    213363b9a0d58a5a0ff245de10e6e8503dd268932d698c2c3a55bb7b4f43a54f aom_3.6.0-1+deb12u2.debian.tar.xz"
  "libheif 1.15.1-1+deb12u1
    e89ce8b9cefe4a72050d2076e0d63206eab20d7b2b8bb699ae576e89073143f3 libheif_1.15.1-1+deb12u1.dsc
    28d5a376fe7954d2d03453f983aaa0b7486f475c27c7806bda31df9102325556 libheif_1.15.1.orig.tar.gz
    f3a042fce4231e8feddd032bf93b808a6db96614c20888b78d1042a15e378817 libheif_1.15.1-1+deb12u1.debian.tar.xz"
)

die() { echo "codec-libs: $*" >&2; exit 1; }
say() { echo "codec-libs: $*" >&2; }

print_key_only=0
if [[ "${1:-}" == --key ]]; then print_key_only=1; shift; fi
triple=${1:-}
case "$triple" in
  x86_64-w64-mingw32) cpu=x86_64 ;;
  i686-w64-mingw32) cpu=x86 ;;
  *) die "usage: codec-libs.sh [--key] x86_64-w64-mingw32|i686-w64-mingw32" ;;
esac
cc=$triple-gcc-posix
cxx=$triple-g++-posix
command -v "$cxx" >/dev/null || die "$cxx is missing (bash scripts/setup.sh installs it)"
jobs=${FOTOLOOM_CODEC_JOBS:-$(nproc)}

# --- how each library is built (the text of these functions is part of its key) -----------------
# $1 the unpacked source, $2 where it installs, $3 the folders of the libraries before it.

write_toolchain() { # write_toolchain FILE DEPENDENCY_FOLDERS...
  local file=$1; shift
  cat >"$file" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $cpu)
set(CMAKE_C_COMPILER $cc)
set(CMAKE_CXX_COMPILER $cxx)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_AR $(command -v "$triple-ar") CACHE FILEPATH "")
set(CMAKE_RANLIB $(command -v "$triple-ranlib") CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH $* /usr/$triple)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

cmake_build() { # cmake_build SRC PREFIX "DEPENDENCY_FOLDERS" EXTRA_ARGS...
  local src=$1 prefix=$2 deps=$3; shift 3
  # shellcheck disable=SC2086 # the folders are one word each
  write_toolchain "$src/_toolchain.cmake" $deps
  cmake -S "$src" -B "$src/_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/_toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_PREFIX_PATH="${deps// /;}" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@"
  cmake --build "$src/_build" -j "$jobs"
  cmake --install "$src/_build"
}

build_libwebp() {
  cmake_build "$1" "$2" "$3" -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_LIBWEBPMUX=ON
}
build_libde265() {
  cmake_build "$1" "$2" "$3" -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
}
build_dav1d() {
  cat >"$1/_cross.meson" <<EOF
[binaries]
c = '$cc'
cpp = '$cxx'
ar = '$triple-ar'
strip = '$triple-strip'
windres = '$triple-windres'
pkgconfig = 'false'
[host_machine]
system = 'windows'
cpu_family = '$cpu'
cpu = '${triple%%-*}'
endian = 'little'
EOF
  meson setup "$1/_build" "$1" --cross-file "$1/_cross.meson" --prefix "$2" --libdir lib \
    --buildtype release -Ddefault_library=static -Denable_tools=false -Denable_tests=false \
    -Denable_examples=false -Denable_docs=false
  ninja -C "$1/_build" -j "$jobs" install
}
build_aom() {
  # Encoder only, 8 bits: pictures are encoded from 8-bit rows, and dav1d decodes every AV1 input.
  cmake_build "$1" "$2" "$3" -DENABLE_DOCS=0 -DENABLE_EXAMPLES=0 -DENABLE_TESTS=0 -DENABLE_TOOLS=0 \
    -DENABLE_TESTDATA=0 -DENABLE_NASM=1 -DCONFIG_AV1_DECODER=0 -DCONFIG_AV1_HIGHBITDEPTH=0
}
build_libheif() {
  CFLAGS=-DLIBDE265_STATIC_BUILD CXXFLAGS=-DLIBDE265_STATIC_BUILD cmake_build "$1" "$2" "$3" \
    -DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF -DWITH_GDK_PIXBUF=OFF -DWITH_DEFLATE_HEADER_COMPRESSION=OFF \
    -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF \
    -DWITH_AOM_ENCODER=ON -DWITH_AOM_ENCODER_PLUGIN=OFF -DWITH_AOM_DECODER=OFF \
    -DWITH_X265=OFF -DWITH_SvtEnc=OFF -DWITH_RAV1E=OFF
}

# --- the keys ----------------------------------------------------------------------------------------
# The toolchain's identity: the compiler's full version and the Debian packages it comes from.
arch_pkg=${triple%%-*}; arch_pkg=${arch_pkg//_/-}
toolchain="$triple $("$cc" -dumpfullversion) $(dpkg-query -W -f='${Package}=${Version} ' \
  "gcc-mingw-w64-$arch_pkg-posix" "g++-mingw-w64-$arch_pkg-posix" "mingw-w64-$arch_pkg-dev" \
  "binutils-mingw-w64-$arch_pkg" 2>/dev/null || true)"
cache=${FOTOLOOM_CODEC_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/fotoloom/codec-libs}
base=$cache/$triple-gcc$("$cc" -dumpfullversion)

names=() versions=() dirs=()
key=$(printf '%s\n' "$toolchain" | sha256sum | cut -c1-64)
for entry in "${pins[@]}"; do
  read -r pkg version <<<"$(head -n1 <<<"$entry")"
  key=$(printf '%s\n' "$key" "$entry" "$(declare -f "build_$pkg" cmake_build write_toolchain)" |
    sha256sum | cut -c1-64)
  names+=("$pkg") versions+=("$version") dirs+=("$base/$pkg-$version-${key:0:12}")
done
set_name=$(basename "$base")-${key:0:16}
set_dir=$cache/$set_name
if ((print_key_only)); then echo "$set_name"; exit 0; fi
if [[ -f "$set_dir/complete" ]]; then echo "$set_dir"; exit 0; fi

mkdir -p "$base"
# One build per toolchain at a time: a second worktree configuring meanwhile waits for the first.
exec 9>"$base.lock"
if ! flock -n 9; then
  say "another run is building the libraries for $triple; waiting for it"
  flock 9
fi
if [[ -f "$set_dir/complete" ]]; then echo "$set_dir"; exit 0; fi

for tool in dpkg-source dpkg-query apt-get cmake ninja meson nasm make flock sha256sum; do
  command -v "$tool" >/dev/null || die "$tool is missing (bash scripts/setup.sh installs it)"
done

# --- the source packages, fetched once into the cache through a private source list ---------------
apt_dir=$cache/apt
sources=$cache/sources
mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$sources"
cat >"$apt_dir/sources.list" <<'EOF'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
EOF
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir" -o "Dir::Cache::archives=$apt_dir/archives"
  -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)")
lists_fresh=0

pinned_files() { tail -n +2 <<<"$1"; } # the "SHA256 FILE" lines of a pin

verified() { # verified PIN: every pinned file is in $sources with its pinned checksum
  local sum file
  while read -r sum file; do
    [[ -n "$file" ]] || continue
    [[ -f "$sources/$file" && "$(sha256sum "$sources/$file" | cut -d' ' -f1)" == "$sum" ]] || return 1
  done < <(pinned_files "$1")
}

fetch() { # fetch PKG VERSION PIN
  local pkg=$1 version=$2 entry=$3 sum file got
  verified "$entry" && return 0
  if ((!lists_fresh)); then
    say "reading Debian's source index"
    apt-get "${apt_opts[@]}" -qq update >&2 || die "apt-get update of the private source list failed"
    lists_fresh=1
  fi
  say "fetching $pkg $version"
  (cd "$sources" && apt-get "${apt_opts[@]}" -qq source --download-only "$pkg=$version" >&2) ||
    die "$pkg $version could not be fetched from Debian; if the archive has moved on, pin its current version (apt-cache showsrc $pkg)"
  while read -r sum file; do
    [[ -n "$file" ]] || continue
    got=$(sha256sum "$sources/$file" 2>/dev/null | cut -d' ' -f1)
    if [[ "$got" != "$sum" ]]; then
      rm -f "$sources/$file"
      die "$file does not match its pinned SHA-256 (expected $sum, got ${got:-no file}); nothing was built from it"
    fi
  done < <(pinned_files "$entry")
}

cpu_seconds() { # cpu_seconds FILE: user + system seconds of the finished children, from `times`
  awk 'END { n = 0; for (i = 1; i <= 2; ++i) { split($i, t, "m"); n += t[1] * 60 + t[2] } printf "%d", n }' "$1"
}

# --- fetch what is missing first (a missing file fails before an hour of building), then build ----
todo=()
for i in "${!names[@]}"; do
  [[ -f "${dirs[$i]}/built" ]] && continue
  todo+=("$i")
  fetch "${names[$i]}" "${versions[$i]}" "${pins[$i]}"
done

unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
export PKG_CONFIG_PATH=
for i in "${todo[@]}"; do
  pkg=${names[$i]} version=${versions[$i]} dir=${dirs[$i]}
  deps=${dirs[*]:0:$i}
  work=$dir.work
  rm -rf "$work" "$dir.part"
  mkdir -p "$work"
  say "building $pkg $version for $triple (log: $work.log)"
  start=$SECONDS
  times >"$work/times-before" # in this shell: a subshell would not see the builds' processes
  # dpkg-source checks the files against the .dsc and applies Debian's patches (its security fixes).
  dpkg-source -x "$sources/${pkg}_${version#*:}.dsc" "$work/src" >"$work.log" 2>&1 ||
    die "unpacking $pkg failed; see $work.log"
  pc_dirs=
  for dep in "${dirs[@]:0:$i}"; do pc_dirs+=${pc_dirs:+:}$dep/lib/pkgconfig; done
  if ! PKG_CONFIG_LIBDIR=$pc_dirs "build_$pkg" "$work/src" "$dir.part" "$deps" >>"$work.log" 2>&1; then
    tail -n 30 "$work.log" >&2
    die "building $pkg failed; see $work.log"
  fi
  times >"$work/times-after"
  echo "$pkg $version: $((SECONDS - start)) s, $(($(cpu_seconds "$work/times-after") - $(cpu_seconds "$work/times-before"))) s of processor time" >"$dir.part/built"
  mv "$dir.part" "$dir"
  rm -rf "$work" "$work.log"
done

# --- what CMake needs: imported targets, in link order, for every library -----------------------------
dir_of() { local i; for i in "${!names[@]}"; do [[ "${names[$i]}" == "$1" ]] && echo "${dirs[$i]}"; done; return 0; }
mkdir -p "$set_dir.part"
{
  echo "# Made by scripts/codec-libs.sh: the static codec libraries of one mingw-w64 target."
  for lib in webp:libwebp webpdemux:libwebp webpmux:libwebp de265:libde265 dav1d:dav1d aom:aom heif:libheif; do
    dir=$(dir_of "${lib#*:}")
    [[ -f "$dir/lib/lib${lib%%:*}.a" ]] || die "lib${lib%%:*}.a is missing from $dir/lib after the build"
    cat <<EOF
if(NOT TARGET codec::${lib%%:*})
  add_library(codec::${lib%%:*} STATIC IMPORTED)
  set_target_properties(codec::${lib%%:*} PROPERTIES IMPORTED_LOCATION "$dir/lib/lib${lib%%:*}.a"
    INTERFACE_INCLUDE_DIRECTORIES "$dir/include")
endif()
EOF
  done
  cat <<'EOF'
set_property(TARGET codec::webpdemux codec::webpmux PROPERTY INTERFACE_LINK_LIBRARIES codec::webp)
set_property(TARGET codec::de265 PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBDE265_STATIC_BUILD)
set_property(TARGET codec::heif PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBHEIF_STATIC_BUILD)
set_property(TARGET codec::heif PROPERTY INTERFACE_LINK_LIBRARIES codec::de265 codec::dav1d codec::aom)
EOF
} >"$set_dir.part/codec-libs.cmake"
for dir in "${dirs[@]}"; do cat "$dir/built"; done >"$set_dir.part/complete"
rm -rf "$set_dir"
mv "$set_dir.part" "$set_dir"
say "the libraries for $triple are in $set_dir"
cat "$set_dir/complete" >&2
echo "$set_dir"
