#!/usr/bin/env bash
# Tries the downloads that scripts/release.sh made, as a person would use them:
#   the installer under Wine, in a fresh prefix: per user (files, Start menu, .gal association,
#     Apps & features entry), the installed Builder.exe shows its main window, the installed
#     fotoloom.exe builds a gallery, the silent uninstaller leaves nothing of ours; then per machine;
#   the portable zip unpacked into a read-only folder: Builder.exe starts, and a project saved by
#     fotoloom.exe and by Builder.exe (menu and save dialog) goes to the per-user recent list;
#   the Debian package: its contents and dependencies, the unpacked fotoloom building a gallery
#     with its themes, and its manual page;
#   the imports of every shipped program and library.
# Prints one line per check and "release: N passed, N failed"; exit status 1 when any failed.
#   scripts/release-test.sh    (after scripts/release.sh)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/release
setup=$(ls "$out"/Fotoloom-*-setup-x64.exe 2>/dev/null | head -1)
portable=$(ls "$out"/Fotoloom-*-portable-x64.zip 2>/dev/null | head -1)
deb=$(ls "$out"/fotoloom_*_amd64.deb 2>/dev/null | head -1)
[[ -n "$setup" && -n "$portable" && -n "$deb" ]] || { echo "release-test: run scripts/release.sh first" >&2; exit 1; }
version=${setup##*/Fotoloom-}
version=${version%-setup-x64.exe}

passed=0 failed=0
check() {  # check "what" command...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
    echo "  ok    $what"
  else
    failed=$((failed + 1))
    echo "  FAIL  $what"
  fi
}
# Waits for a condition up to a deadline, polling; false when the time ran out.
within() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}

test=$out/test
wine() { bash "$root/scripts/wine-run.sh" "$@"; }
export WINEPREFIX=$test/wineprefix
user=$(whoami)
winhome=$WINEPREFIX/drive_c/users/$user
unpacked=$test/unpacked
app=$unpacked/Fotoloom-$version
winpath() { echo "Z:${1//\//\\}"; }

regvalue() {  # regvalue KEY [VALUE]: the data of a value ("" default), nothing when missing
  local name=${2:-}
  local args=(/ve)
  [[ -n "$name" ]] && args=(/v "$name")
  wine reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\(([^)]*)\|'"$name"'\) *REG_[A-Z_]* *//p' | head -1
}
regkey_absent() { ! wine reg query "$1" >/dev/null 2>&1; }
same_files() {  # same_files A B: the same files, by name, in both folders
  diff <(cd "$1" && find . -type f | LC_ALL=C sort) <(cd "$2" && find . -type f | LC_ALL=C sort)
}
main_window() {  # Builder's main frame is shown: a window named Fotoloom of at least 600 by 400
  local w
  for w in $(xdotool search --onlyvisible --name '^Fotoloom( - .*)?$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    ((WIDTH >= 600 && HEIGHT >= 400)) && return 0
  done
  return 1
}
start_builder() {  # start_builder PATH.exe: sees its main window, then ends it
  wine "$1" >/dev/null 2>&1 &
  local shown=1
  within 60 main_window && shown=0
  wine taskkill /f /im Builder.exe >/dev/null 2>&1 || true
  wait || true
  return $shown
}
picture() { /usr/bin/convert -size 320x240 gradient:'#1e5799-#7db9e8' "$1"; }
# A small project built by the given fotoloom (a path, or "wine PATH.exe"): two pictures, one album.
build_gallery() {
  local cli=$1 folder=$2 pathof=$3
  mkdir -p "$folder/pictures" "$folder/site"
  picture "$folder/pictures/one.jpg" && picture "$folder/pictures/two.jpg" || return 1
  local gal
  gal=$($pathof "$folder/trip.gal")
  $cli new "$gal" && $cli album add "$gal" "Coast" &&
    $cli image add-folder "$gal" 1 "$($pathof "$folder/pictures")" &&
    $cli build "$gal" --output "$($pathof "$folder/site")" --theme darkroom >"$folder/build.out" || return 1
  local index
  index=$(find "$folder/site" -name index.html | head -1)
  [[ -n "$index" && $(find "$folder/site" -path '*photos*' -name '*.jpg' | wc -l) -eq 2 ]] &&
    grep -q 'Coast' "$index"
}
unixpath() { echo "$1"; }
# Every theme of a template folder stands alone: the viewer's script, and its style with the
# shared frame in place of the include line the source holds.
themes_whole() {
  local theme n=0
  for theme in "$1"/*/; do
    [[ -f "$theme/images/viewer.js" ]] && grep -q 'The frame of the viewer' "$theme/images/viewer.css" &&
      ! grep -q '@include' "$theme/images/viewer.css" || return 1
    n=$((n + 1))
  done
  ((n > 0))
}
# An INI file of the Windows programs is UTF-16 when they made it.
ini_holds() { { iconv -f UTF-16 -t UTF-8 "$1" 2>/dev/null || cat "$1"; } | grep -q "$2"; }

# --- the portable zip, run from a read-only folder (in a mount namespace of its own) -------------
read_only_part() {
  readonly_app=$test/readonly
  mkdir -p "$readonly_app" "$test/work/portable"
  if [[ $(id -u) == 0 ]]; then
    mount --bind "$app" "$readonly_app" && mount -o remount,bind,ro "$readonly_app"
  else
    chmod -R a-w "$app" && rmdir "$readonly_app" && ln -s "$app" "$readonly_app"
  fi
  check "the unpacked folder is read-only" bash -c "! touch '$readonly_app/probe'"
  local appdata_ini=$winhome/AppData/Roaming/Fotoloom/last.ini
  rm -f "$appdata_ini"
  check "Builder.exe started from it shows its main window" start_builder "$readonly_app/Builder.exe"
  local saved=$test/work/portable/saved.gal
  check "fotoloom.exe started from it saves a project" wine "$readonly_app/fotoloom.exe" new "$(winpath "$saved")"
  check "the recent list went to the per-user folder" ini_holds "$appdata_ini" 'saved\.gal'
  check "Builder.exe saves a project through its menu and the system's save dialog" \
    builder_saves "$readonly_app/Builder.exe" "$test/work/portable/second.gal"
  check "and puts it at the head of the per-user recent list" ini_holds "$appdata_ini" 'Last 1=.*second\.gal'
  check "nothing was written into the program's folder" same_files "$app" "$unpacked/Fotoloom-$version"
  echo "$passed $failed" >"$test/read-only.counts"
}
save_dialog_opened() {  # File > Save Gallery... in the main window
  # A dialog that came late (the first file dialog of a fresh prefix takes a while) is taken as it
  # is: asking again would start with Escape and close it.
  xdotool search --onlyvisible --name '^Save' >/dev/null && return 0
  local w
  w=$(xdotool search --onlyvisible --name '^Fotoloom - second' | head -1)
  [[ -n "$w" ]] && xdotool windowfocus "$w" key Escape Escape F10 Down Down Down Return &&
    within 10 xdotool search --onlyvisible --name '^Save'
}
save_dialog_answered() {
  if xdotool search --onlyvisible --name 'Confirm|already exists' >/dev/null; then
    xdotool key y
  elif xdotool search --onlyvisible --name '^Save' >/dev/null; then
    xdotool key Return
  fi
  ! xdotool search --onlyvisible --name '^Save|Confirm|already exists' >/dev/null
}
# Opens a project made by the command line in Builder.exe, and saves it with File > Save Gallery...
# and Return in the save dialog; true when the file was written again.
builder_saves() {
  local exe=$1 gal=$2
  FOTOLOOM_RECENT_INI=$(winpath "$test/work/scratch.ini") wine "${exe%/*}/fotoloom.exe" new "$(winpath "$gal")" ||
    return 1
  touch -d '2000-01-01' "$gal"
  wine "$exe" "$(winpath "$gal")" >/dev/null 2>&1 &
  local ok=1
  # A window just shown may not take keys yet: the menu is asked for again until the dialog comes.
  # Then Return in the save dialog (again while it is still there), and Yes when replacing the
  # file is asked about.
  if within 60 xdotool search --onlyvisible --name '^Fotoloom - second' &&
    within 60 save_dialog_opened && within 30 save_dialog_answered &&
    within 30 test "$(stat -c %Y "$gal")" -gt 946771200; then
    ok=0
  fi
  # What the screen showed when it did not work.
  if ((ok != 0)); then import -window root "$test/builder-save.png" 2>/dev/null; fi
  wine taskkill /f /im Builder.exe >/dev/null 2>&1 || true
  wait || true
  return $ok
}

if [[ "${1:-}" == --read-only-part ]]; then
  cd "$test" || exit 1
  read_only_part
  exit 0
fi

# --- a fresh Wine prefix and display, the way the tests run Windows programs ---------------------
if [[ -f "$test/wine-xvfb.pid" ]]; then bash scripts/wine-run.sh --stop "$test"; fi
chmod -R u+w "$test" 2>/dev/null
rm -rf "$test"
mkdir -p "$test/work"
cd "$test" # wine-run.sh keeps its prefix, display and server in the folder it is started from
trap 'cd "$test" && bash "$root/scripts/wine-run.sh" --stop "$test"' EXIT
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$portable")
echo "== release test: installer, per user ($(basename "$setup"))"
# The first run makes the prefix and starts the display.
wine "$setup" /S /CURRENTUSER
check "the installer ran silently for the current user" test $? -eq 0
export DISPLAY
DISPLAY=$(cat "$test/wine-display")
instdir=$winhome/AppData/Local/Programs/Fotoloom
installed_as_zip() { [[ -f "$instdir/Uninstall Fotoloom.exe" ]] && diff <(cd "$app" && find . -type f | LC_ALL=C sort) \
  <(cd "$instdir" && find . -type f -not -name 'Uninstall Fotoloom.exe' | LC_ALL=C sort); }
check "every file of the zip is installed in the user's programs folder, and the uninstaller" installed_as_zip
check "the Start menu shortcut" test -f "$winhome/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Fotoloom.lnk"
programs='C:\users\'$user'\AppData\Local\Programs\Fotoloom'
check ".gal names Fotoloom (HKCU)" test "$(regvalue 'HKCU\Software\Classes\.gal')" = "Fotoloom"
check "its icon is Builder.exe's" test "$(regvalue 'HKCU\Software\Classes\Fotoloom\DefaultIcon')" = "$programs\\Builder.exe,0"
check "its open command starts Builder.exe with the file" \
  test "$(regvalue 'HKCU\Software\Classes\Fotoloom\shell\open\command')" = "\"$programs\\Builder.exe\" \"%1\""
check "nothing is written for every user" regkey_absent 'HKLM\Software\Classes\Fotoloom'
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fotoloom'
check "Apps & features: name, version, publisher" test "$(regvalue "$uninstall" DisplayName)/$(regvalue "$uninstall" DisplayVersion)/$(regvalue "$uninstall" Publisher)" = "Fotoloom/$version/Fotoloom"
size=$(regvalue "$uninstall" EstimatedSize)
check "Apps & features: the size ($((size)) KB)" test $((size)) -gt 500
check "the installed Builder.exe shows its main window" start_builder "$instdir/Builder.exe"
check "the installed fotoloom.exe says its version" test "$(wine "$instdir/fotoloom.exe" --version | tr -d '\r')" = "fotoloom $version"
check "the installed fotoloom.exe builds a gallery" build_gallery "wine $instdir/fotoloom.exe" "$test/work/installed" winpath
check "saving kept the recent list beside the program" ini_holds "$instdir/last.ini" 'trip\.gal' 
# The value the preview writes for Builder.exe, as it writes it.
emulation='HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'
wine reg add "$emulation" /v Builder.exe /t REG_DWORD /d 11001 /f >/dev/null 2>&1
check "the preview's browser setting is there before uninstalling" test -n "$(regvalue "$emulation" Builder.exe)"

wine "$instdir/Uninstall Fotoloom.exe" /S
check "the uninstaller ran silently" test $? -eq 0
# It goes on from a copy of itself in the temporary folder.
check "the program's folder is gone" within 60 test ! -e "$instdir"
check "the Start menu shortcut is gone" test ! -e "$winhome/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Fotoloom.lnk"
check "the association is gone" regkey_absent 'HKCU\Software\Classes\Fotoloom'
check "the .gal key is gone" regkey_absent 'HKCU\Software\Classes\.gal'
check "the Apps & features entry is gone" regkey_absent "$uninstall"
check "the preview's browser setting is gone" test -z "$(regvalue "$emulation" Builder.exe)"

echo "== release test: installer, for every user (elevated, as Wine runs)"
wine "$setup" /S
check "the installer ran silently" test $? -eq 0
machine=$WINEPREFIX/drive_c/Program\ Files/Fotoloom
check "the files are in Program Files" test -f "$machine/Builder.exe" -a -f "$machine/template/classic/index.html"
check "each installed theme holds the viewer's script and style" themes_whole "$machine/template"
check "the association is written for every user (HKLM)" \
  test "$(regvalue 'HKLM\Software\Classes\Fotoloom\shell\open\command')" = '"C:\Program Files\Fotoloom\Builder.exe" "%1"'
check "the Start menu shortcut is for every user" test -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Fotoloom.lnk"
# The program writes the association for the person who runs it, too.
check "the installed Builder.exe shows its main window" start_builder "$machine/Builder.exe"
check "and writes the association for its user" \
  test "$(regvalue 'HKCU\Software\Classes\Fotoloom\DefaultIcon')" = 'C:\Program Files\Fotoloom\Builder.exe,0'
wine "$machine/Uninstall Fotoloom.exe" /S
check "uninstalled: the folder is gone" within 60 test ! -e "$machine"
check "uninstalled: the association for every user is gone" regkey_absent 'HKLM\Software\Classes\Fotoloom'
check "uninstalled: the association the program wrote for its user is gone" regkey_absent 'HKCU\Software\Classes\Fotoloom'
check "uninstalled: the Apps & features entry is gone" \
  regkey_absent 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fotoloom'

echo "== release test: the portable zip in a read-only folder ($(basename "$portable"))"
check "every shipped program and library imports only system DLLs" \
  bash "$root/scripts/check-imports.sh" "$app"/*.exe $(find "$app" -maxdepth 1 -name '*.dll')
# Read-only for everybody, the administrator included: a read-only mount where we are root, plain
# permissions otherwise. The Wine server must run where it sees that mount, so the installer's
# server ends and the checks run again from this script inside the mount's namespace.
WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
if [[ $(id -u) == 0 ]]; then
  unshare -m bash "$root/scripts/release-test.sh" --read-only-part
else
  bash "$root/scripts/release-test.sh" --read-only-part
fi
read -r p f <"$test/read-only.counts" || { p=0 f=1; }
passed=$((passed + p)) failed=$((failed + f))
WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
chmod -R u+w "$app" 2>/dev/null

echo "== release test: the Debian package ($(basename "$deb"))"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/fotoloom ./usr/share/fotoloom/sample.gif ./usr/share/fotoloom/template/classic/index.html \
  ./usr/share/fotoloom/template/{classic,darkroom,minimal}/images/viewer.{js,css} ./usr/share/man/man1/fotoloom.1.gz; do
  check "holds $f" grep -q " $f\$" <<<"$contents"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libjpeg62-turbo libpng16-16 libgif7 libtiff6 libstdc++6; do
  check "depends on $lib" grep -q "$lib" <<<"$depends"
done
debroot=$test/deb
dpkg-deb -x "$deb" "$debroot"
export XDG_CONFIG_HOME=$test/work/config
check "the unpacked fotoloom says its version" test "$("$debroot/usr/bin/fotoloom" --version)" = "fotoloom $version"
check "it finds its themes in share/fotoloom" test "$("$debroot/usr/bin/fotoloom" themes | tr '\n' ' ')" = "classic darkroom minimal "
check "it builds a gallery" build_gallery "$debroot/usr/bin/fotoloom" "$test/work/deb" unixpath
check "its recent list is kept per user, not in bin" test ! -e "$debroot/usr/bin/last.ini" -a -f "$XDG_CONFIG_HOME/fotoloom/last.ini"
manual=$(MANPATH="$debroot/usr/share/man" man fotoloom 2>/dev/null)
check "man fotoloom shows the manual page" grep -q 'build their web galleries' <<<"$manual"
check "with every command's options" grep -q -- '--after N' <<<"$manual"

echo "release: $passed passed, $failed failed"
((failed == 0))
