#!/usr/bin/env bash
# Makes the downloads of a release in build/release/:
#   Fotoloom-<version>-setup-x64.exe      the Windows installer (NSIS)
#   Fotoloom-<version>-portable-x64.zip   the same files to unpack anywhere
#   fotoloom_<version>_amd64.deb          the command line for Debian and its kind
# from the Release builds of the native and win64 presets (the build folders the tests use, so a
# tested build is the one that ships). The version is the one CMakeLists.txt names.
# Ships Sidefold.dll, Builder.chm, readme.txt and a licence when the tree has them.
#   scripts/release.sh [--no-build]   (--no-build: package what build/native and build/win64 hold)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/release

if [[ "${1:-}" != --no-build ]]; then
  bash scripts/setup.sh
  for preset in native win64; do
    echo "== release: build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
  done
fi

die() { echo "release: $*" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
[[ -n "$version" ]] || die "no version in build/win64/CMakeCache.txt"
[[ "$version" == "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)" ]] ||
  die "build/native and build/win64 were configured with different versions; configure both again"

rm -rf "$out"
mkdir -p "$out"
work=$out/work
stage=$work/Fotoloom-$version
mkdir -p "$stage"

# --- the Windows files -------------------------------------------------------------------------
win=build/win64
# The first of the candidates that exists.
first() {
  local f
  for f in "$@"; do [[ -f "$f" ]] && { echo "$f"; return 0; }; done
  return 0
}
built() { find "$win" -name "$1" -type f -not -path '*/tests/*' -not -path '*/wineprefix/*' 2>/dev/null | sort | head -1; }

for program in app/Builder.exe cli/fotoloom.exe; do
  [[ -f "$win/$program" ]] || die "$win/$program is missing; build the win64 preset"
  cp "$win/$program" "$stage/"
done
sidefold=$(first "$win/app/Sidefold.dll" "$(built Sidefold.dll)")
if [[ -n "$sidefold" ]]; then
  cp "$sidefold" "$stage/"
elif x86_64-w64-mingw32-objdump -p "$stage/Builder.exe" | grep -qi 'DLL Name: Sidefold.dll'; then
  die "Builder.exe needs Sidefold.dll, and the build made none"
fi
help=$(first "$win/app/Builder.chm" "$(built Builder.chm)")
if [[ -n "$help" ]]; then cp "$help" "$stage/"; fi
readme=$(first "$win/app/readme.txt" "$(built readme.txt)")
if [[ -n "$readme" ]]; then cp "$readme" "$stage/readme.txt"; fi
licence=$(first LICENSE LICENSE.txt LICENCE COPYING)
if [[ -n "$licence" ]]; then cp "$licence" "$stage/LICENSE.txt"; fi
# The themes as the build made them: each holds the viewer's script and style.
[[ -d "$win/shipped/template" ]] || die "$win/shipped/template is missing; build the win64 preset"
cp -r "$win/shipped/template" "$stage/template"
cp resources/sample.gif "$stage/"
find "$stage" -name '*.exe' -o -name '*.dll' | xargs -r x86_64-w64-mingw32-strip --strip-unneeded

echo "== release: what the Windows programs import"
bash scripts/check-imports.sh "$stage"/*.exe $(find "$stage" -maxdepth 1 -name '*.dll')

# --- the installer -----------------------------------------------------------------------------
# The lists name each file of the stage, so the uninstaller removes exactly what was installed:
# folders before their files for the installer, files and then the deepest folders first for the
# uninstaller. NSIS wants a literal $ doubled.
lists=$work/lists
mkdir -p "$lists"
nsis_path() { local p=${1//\$/\$\$}; echo "${p//\//\\}"; }
{
  while IFS= read -r dir; do
    echo "SetOutPath \"\$INSTDIR${dir:+\\$(nsis_path "$dir")}\""
    while IFS= read -r f; do
      echo "File \"${stage//\$/\$\$}/${dir:+${dir//\$/\$\$}/}${f//\$/\$\$}\""
    done < <(find "$stage/$dir" -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort)
  done < <(find "$stage" -type d -printf '%P\n' | LC_ALL=C sort)
  echo 'SetOutPath "$INSTDIR"'
} >"$lists/install.nsh"
{
  find "$stage" -type f -printf '%P\n' | LC_ALL=C sort | while IFS= read -r f; do
    echo "Delete \"\$INSTDIR\\$(nsis_path "$f")\""
  done
  find "$stage" -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort -r | while IFS= read -r dir; do
    echo "RMDir \"\$INSTDIR\\$(nsis_path "$dir")\""
  done
} >"$lists/uninstall.nsh"
cp resources/icons/icon_128.ico "$work/installer.ico"
# The band at the left of the welcome and finish pages: the program's icon on a dark ground.
/usr/bin/convert -size 164x314 gradient:'#24405e-#0e1a28' \( 'resources/icons/icon_128.ico[3]' -resize 112x112 \) \
  -gravity north -geometry +0+44 -composite -type truecolor "BMP3:$work/installer-side.bmp"
setup=$out/Fotoloom-$version-setup-x64.exe
nsis_args=(-V2 -DVERSION="$version" -DSTAGE="$stage" -DLISTS="$lists" -DOUTFILE="$setup" -DICON="$work/installer.ico"
  -DSIDE="$work/installer-side.bmp")
if [[ -f "$stage/LICENSE.txt" ]]; then nsis_args+=(-DLICENCE="$stage/LICENSE.txt"); fi
echo "== release: installer"
makensis "${nsis_args[@]}" scripts/installer.nsi

# --- the portable zip --------------------------------------------------------------------------
echo "== release: portable zip"
portable=$out/Fotoloom-$version-portable-x64.zip
(cd "$work" && cmake -E tar cf "$portable" --format=zip "Fotoloom-$version")

# --- the Debian package ------------------------------------------------------------------------
echo "== release: Debian package"
(cd build/native && cpack -G DEB >/dev/null)
deb=$out/fotoloom_${version}_amd64.deb
[[ -f "$deb" ]] || die "cpack made no $deb"
rm -rf "$out/_CPack_Packages"

echo "== release: made in build/release/ (version $version)"
shipped=$(cd "$stage" && find . -maxdepth 1 -type f -printf '%f ' && echo "template/")
echo "  $(basename "$setup")      $(du -h "$setup" | cut -f1)  $shipped"
echo "  $(basename "$portable")   $(du -h "$portable" | cut -f1)  the same files"
echo "  $(basename "$deb")             $(du -h "$deb" | cut -f1)  /usr/bin/fotoloom, /usr/share/fotoloom, fotoloom(1)"
