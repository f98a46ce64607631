#!/usr/bin/env bash
# Screenshots of Builder.exe under Xvfb: a Wine virtual desktop (which gives the windows their
# frames) shows the program with a sample project of drawn pictures; the main window, its menus
# and each dialog are saved as PNGs in BUILD_DIR/screenshots; so is the task pane, in the system
# look and in a visual style of its own (the "blue" shell style file of the task-pane tests).
#   scripts/screenshots.sh [--dpi N] [BUILD_DIR] [task-pane]   (default build/win64, all of it
#   built; with task-pane, only the shots of the task pane; --dpi 144 or 192 shows the program on a
#   display of 150 % or 200 %, on a desktop as much larger and with every mouse position scaled
#   alike; its shots in BUILD_DIR/screenshots-N)
# Needs Xvfb, ImageMagick and xdotool (scripts/setup.sh). The sample project is made with the
# Windows command line, so its picture paths are the ones Wine shows (Z:\...).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dpi=96
if [[ "${1:-}" == --dpi ]]; then
  dpi=${2:-}
  [[ $dpi =~ ^[0-9]+$ ]] && ((dpi >= 96 && dpi <= 480)) || { echo "screenshots: --dpi wants 96 to 480" >&2; exit 1; }
  shift 2
fi
build=${1:-build/win64}
exe="$root/$build/app/Builder.exe"
[[ -f "$exe" ]] || { echo "screenshots: $exe is missing; build the win64 preset first" >&2; exit 1; }
for tool in Xvfb import xdotool; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[[ -f "$root/$build/cli/fotoloom.exe" ]] || { echo "screenshots: the Windows command line is missing" >&2; exit 1; }
blue_style="$root/$build/tests/taskpane/styles/shell/blue/shellstyle.dll"
[[ -f "$blue_style" ]] || { echo "screenshots: $blue_style is missing (target fake_style_blue)" >&2; exit 1; }
only=${2:-}

out="$root/$build/screenshots"
((dpi == 96)) || out="$root/$build/screenshots-$dpi"
# Every place and size below is the one at 96 DPI; px scales one to the display's scale (as the
# program scales its own), at scales it to a mouse position "X Y".
px() { echo $((($1 * dpi + 48) / 96)); }
at() { echo "$(px "$1") $(px "$2")"; }
desktop="$(px 1280)x$(px 900)"
rm -rf "$out/pictures" "$out/site" "$out"/*.png "$out"/*.gal "$out/last.ini"
mkdir -p "$out/pictures"

# --- a display and a Wine prefix of their own, so test runs are not disturbed ---------------------
display=""
for n in $(seq 150 199); do
  [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
  display=":$n"
  break
done
[[ -n "$display" ]] || { echo "screenshots: no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 "${desktop}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
style_copy=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [[ -n "$style_copy" ]] && rm -f "$style_copy"
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X${display#:} ]] && break; sleep 0.1; done
[[ -f "$WINEPREFIX/.fotoloom-prefix-ready" ]] || { "$wine" wineboot --init >/dev/null 2>&1 && touch "$WINEPREFIX/.fotoloom-prefix-ready"; }
# The registry files (read below for the visual style) are written when the server ends.
[[ -f "$WINEPREFIX/user.reg" ]] || wineserver -w
# The display's scale, read by every program Wine starts from here on (the prefix is this run's own).
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

# --- a sample project: two albums of drawn pictures, made by the Windows command line --------------
draw() { /usr/bin/convert -size "$1" "$2" -swirl "$3" "$out/pictures/$4"; }
draw 1600x1200 gradient:'#1e5799-#7db9e8' 30 harbour.jpg
draw 1200x1600 gradient:'#f6d365-#fda085' 60 lighthouse.jpg
draw 1600x1067 plasma:'#0b486b-#f56217' 0 dunes.jpg
draw 1600x1200 plasma:'#355c7d-#c06c84' 0 tram.jpg
draw 1200x1200 gradient:'#232526-#414345' 90 night.jpg
winpath() { echo "Z:${1//\//\\}"; }
fotoloom() { "$wine" "$root/$build/cli/fotoloom.exe" "$@" >/dev/null; }
project=$(winpath "$out/sample.gal")
pictures=$(winpath "$out/pictures")
export FOTOLOOM_RECENT_INI="$(winpath "$out/last.ini")"
fotoloom new "$project"
fotoloom album add "$project" "Coast" --caption "Harbour, lighthouse and dunes"
fotoloom album add "$project" "City" --caption "Evenings in town"
fotoloom album add "$project" "Family & friends"
fotoloom image add "$project" 1 "$pictures\\harbour.jpg" "$pictures\\lighthouse.jpg" "$pictures\\dunes.jpg"
fotoloom image add "$project" 2 "$pictures\\tram.jpg" "$pictures\\night.jpg"
fotoloom image comment "$project" 1 1 --text "Morning at the harbour"
many=()
for _ in $(seq 15); do for p in harbour lighthouse dunes tram; do many+=("$pictures\\$p.jpg"); done; done
fotoloom image add "$project" 3 "${many[@]}"

# --- looking at windows -------------------------------------------------------------------------
wait_for() {  # a window whose name matches, shown on the desktop
  for _ in $(seq 100); do
    xdotool search --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "screenshots: no window named '$1'" >&2
  return 1
}
shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "$out/$1.png"; }

# --- the task pane in a visual style -------------------------------------------------------------
# The program finds its pane's style as Windows keeps it: shell\<colour scheme>\shellstyle.dll
# beside the current visual style's file. Our fake one goes there for one run of the program, with
# the pause between animation frames made long enough for a frame to be caught on screen.

# column X Y H: the screen's pixels from (X, Y) down, one "y RRGGBB" line each.
column() {
  import -window root -crop "1x$3+$1+$2" +repage -depth 8 txt:- |
    awk -v y0="$2" -F'[ ,:]+' '/^[0-9]/ { for (i = 1; i <= NF; ++i) if ($i ~ /^#/) print y0 + $2, substr($i, 2, 6) }'
}
# The rows of that column in the main group's header blue, as "first last" runs.
blue_runs() {
  column "$@" | awk 'function digit(c) { return index("0123456789ABCDEF", c) - 1 }
                     function hex(s) { return digit(substr(s, 1, 1)) * 16 + digit(substr(s, 2, 1)) }
                     { r = hex(substr($2, 1, 2)); b = hex(substr($2, 5, 2))
                       if (r < 60 && b > 200) { if (!on) first = $1; on = 1; last = $1 }
                       else if (on) { print first, last; on = 0 } }
                     END { if (on) print first, last }'
}
is_blue() { [[ -n $(blue_runs "$1" "$2" 1) ]]; }
# Waits until the pane has not changed for a second (longer than any pause between frames).
settle() {
  for _ in $(seq 60); do
    import -window root -crop "$(px 320)x$(px 800)+0+$(px 80)" -depth 8 rgb:"$out/settle-a.rgb"
    sleep 1
    import -window root -crop "$(px 320)x$(px 800)+0+$(px 80)" -depth 8 rgb:"$out/settle-b.rgb"
    cmp -s "$out/settle-a.rgb" "$out/settle-b.rgb" && { rm -f "$out"/settle-?.rgb; return 0; }
  done
  echo "screenshots: the task pane did not come to rest" >&2
  return 1
}
close_program() {
  xdotool key alt+F4
  for _ in $(seq 50); do xdotool search --name "Fotoloom - sample" >/dev/null 2>&1 || break; sleep 0.2; done
}

task_pane_style_shots() {
  local style_dll scheme
  style_dll=$(awk -F'"' '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\ThemeManager\]/ { on = 1 }
                         /^\[/ && !/ThemeManager\]/ { on = 0 } on && $2 == "DllName" { print $4 }' "$WINEPREFIX/user.reg")
  scheme=$(awk -F'"' '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\ThemeManager\]/ { on = 1 }
                      /^\[/ && !/ThemeManager\]/ { on = 0 } on && $2 == "ColorName" { print $4 }' "$WINEPREFIX/user.reg")
  [[ $style_dll == [Cc]:* && -n $scheme ]] || { echo "screenshots: the Wine prefix names no visual style" >&2; return 1; }
  style_dll=${style_dll//\\\\/\/}
  style_copy="$WINEPREFIX/drive_c/${style_dll#[Cc]:/}"
  style_copy="${style_copy%/*}/shell/$scheme/shellstyle.dll"
  mkdir -p "$(dirname "$style_copy")"
  cp "$blue_style" "$style_copy"

  # Plain, under the mouse (a link of the first group, then the second group's header), and in the
  # window restored to its smaller size, narrowed by the bar's sizing edge: it scrolls.
  "$wine" explorer /desktop=shot,"$desktop" "$exe" "$project" >/dev/null 2>&1 &
  wait_for "Fotoloom - sample"
  settle && shot task-pane-styled 0
  xdotool mousemove $(at 95 184); shot task-pane-styled-hot-link 1.5
  xdotool mousemove $(at 200 360); shot task-pane-styled-hot-header 1.5
  xdotool mousemove $(at 900 850) key alt+space r; sleep 1
  xdotool mousemove $(at 321 400) sleep 0.2 mousedown 1 sleep 0.2 mousemove $(at 280 400) sleep 0.2 \
    mousemove $(at 241 400) sleep 0.2 mouseup 1 mousemove $(at 900 850)
  shot task-pane-styled-scrolls 2
  # Scrolled to the end by the scroll bar's down arrow (at the bottom right of the narrowed pane).
  xdotool mousemove $(at 230 641) click --repeat 20 --delay 60 1 mousemove $(at 900 850)
  shot task-pane-styled-scrolled 1
  close_program

  # The first group shut, caught half-way. Each frame now stays 400 ms (BuilderSlowFrames.exe) (the groups open so slowly
  # at the start, too). The second group's header (the main group's blue, down the column at
  # x = 250) travels up by the height of the first group's dialog; the shot is taken as soon as its
  # top is seen in the middle half of that way (a look at the screen takes about as long as a
  # frame under load, so one row in the middle could be passed unseen). (The column passes right
  # of the first group's icon.)
  "$wine" explorer /desktop=shot,"$desktop" "$(dirname "$exe")/BuilderSlowFrames.exe" "$project" >/dev/null 2>&1 &
  wait_for "Fotoloom - sample"
  settle
  local runs first_bottom second_top travel top caught=""
  runs=$(blue_runs "$(px 250)" "$(px 90)" "$(px 790)")
  first_bottom=$(echo "$runs" | awk 'NR == 1 { print $2 }')
  second_top=$(echo "$runs" | awk 'NR == 2 { print $1 }')
  [[ -n $first_bottom && -n $second_top ]] || { echo "screenshots: no group headers found in the pane" >&2; return 1; }
  travel=$((second_top - first_bottom))
  xdotool mousemove "$(px 160)" $((first_bottom - $(px 10))) click 1 mousemove $(at 900 850)
  for _ in $(seq 100); do
    top=$(blue_runs "$(px 250)" "$(px 90)" "$(px 790)" | awk 'NR == 2 { print $1 }')
    if [[ -n $top ]] && ((top > first_bottom + travel / 4 && top < second_top - travel / 4)); then
      shot task-pane-animating 0
      caught=1
      break
    fi
    sleep 0.05
  done
  [[ -n $caught ]] || echo "screenshots: the closing animation was not caught half-way" >&2
  # The end: the second header where the first group's dialog began.
  for _ in $(seq 150); do is_blue "$(px 250)" $((first_bottom + $(px 20))) && break; sleep 0.1; done
  settle && shot task-pane-styled-collapsed 0
  close_program
  rm -f "$style_copy"
  style_copy=""
}
if [[ $only == task-pane ]]; then
  task_pane_style_shots
  exit 0
fi

# --- the start: the start dialog with three recent galleries, the about box, the notifications ----
# Galleries saved by the command line fill the recent list the program reads beside itself.
for name in "Coast and harbour" "City evenings" "Family & friends"; do fotoloom new "$(winpath "$out/$name.gal")"; done
app_dir=$(dirname "$exe")
[[ -f "$app_dir/last.ini" ]] && mv "$app_dir/last.ini" "$out/last.ini.kept"
cp "$out/last.ini" "$app_dir/last.ini"
"$wine" explorer /desktop=shot,"$desktop" "$exe" >/dev/null 2>&1 &
for _ in $(seq 100); do [[ $(xdotool search --name '^Fotoloom$' 2>/dev/null | wc -l) -ge 2 ]] && break; sleep 0.2; done
shot start-dialog 3
xdotool key Escape; sleep 1
xdotool key F10 Right Right Right Right Down Up Return; wait_for "^About Fotoloom$" && shot about-box 2
xdotool key Return; sleep 0.5
xdotool key F10 Right Right Right Right Down Down Down Return; wait_for "^Notifications$" && shot updates-dialog 2
xdotool key Escape; sleep 0.5
xdotool key alt+F4
for _ in $(seq 50); do xdotool search --name '^Fotoloom$' >/dev/null 2>&1 || break; sleep 0.2; done
rm -f "$app_dir/last.ini"
[[ -f "$out/last.ini.kept" ]] && mv "$out/last.ini.kept" "$app_dir/last.ini"

# A page of the help as the help viewer's browser would show it.
if command -v chromium >/dev/null && [[ -f "$root/docs/help/Step1/index.htm" ]]; then
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=800,620 \
    --screenshot="$out/help-page.png" "file://$root/docs/help/Step1/index.htm" >/dev/null 2>&1 &&
    echo "$out/help-page.png"
fi

# --- the program --------------------------------------------------------------------------------
"$wine" explorer /desktop=shot,"$desktop" "$exe" "$project" >/dev/null 2>&1 &

wait_for "Fotoloom - sample"
shot main-window 3

# The task pane in the system look: its first group collapsed by a click on its header (the mouse
# then moved off, so no tooltip hides the pane) and opened again; then the window restored to its
# smaller size, where the pane's groups overflow and it scrolls.
xdotool mousemove $(at 160 158) click 1 mousemove $(at 900 850); shot task-pane-collapsed 2
xdotool mousemove $(at 160 158) click 1 mousemove $(at 900 850); sleep 1
xdotool key alt+space r; shot task-pane-scrolls 2
xdotool key alt+space x; sleep 2

# Menus: F10 opens the menu bar, arrows walk it.
xdotool key F10 Down; shot menu-file
xdotool key Right; shot menu-albums
xdotool key Right; shot menu-images
xdotool key Right; shot menu-build
xdotool key Right; shot menu-help
xdotool key Escape Escape; sleep 0.5

# The album dialog, adding (Albums > Add album...) and editing (Albums > Edit album...).
xdotool key F10 Right Down Return; wait_for "^Album$"; shot album-dialog-add
xdotool key Escape; sleep 0.5
xdotool key F10 Right Down Down Return; wait_for "^Album$"; shot album-dialog-edit
xdotool key Escape; sleep 0.5

# The remove question of an album (Albums > Remove Album), answered No.
xdotool key F10 Right Down Down Down Down Return; wait_for "^Album removing...$"; shot remove-album-question
xdotool key n; sleep 0.5

# The image comment dialog: a double click on the first thumbnail.
xdotool mousemove $(at 568 130) click --repeat 2 --delay 100 1
wait_for "^Image preview$" && shot image-comment-dialog
xdotool key Escape; sleep 0.5

# The system's dialogs as the program sets them up: Images > Add images..., Images > Add folder...
# and File > Open Gallery..., each cancelled.
xdotool key F10 Right Right Down Return; wait_for "^Open image file$" && shot open-images-dialog 2
xdotool key Escape; sleep 1
xdotool key F10 Right Right Down Down Return; wait_for "Browse for|Choose folder" && shot choose-folder-dialog 2
xdotool key Escape; sleep 1
xdotool key F10 Down Down Return; wait_for "^Open$" && shot open-gallery-dialog 2
xdotool key Escape; sleep 1

# The owner-drawn context menu of a thumbnail, and of the empty space beside the thumbnails.
xdotool mousemove $(at 568 130) click 3; shot context-menu-image
xdotool key Escape; sleep 0.5
xdotool mousemove $(at 1000 600) click 3; shot context-menu-space
xdotool key Escape; sleep 0.5

# The Build menu: the gallery title dialog, the preview (here Wine shows no pages, so the stand-in
# with its link stands in the browser's place), and the build dialog during and after a build of a
# larger album (the third one, 60 pictures), its end question answered No.
xdotool key F10 Right Right Right Down Return; wait_for "^Gallery title$" && shot title-dialog
xdotool key Escape; sleep 0.5
xdotool key F10 Right Right Right Down Down Return; wait_for "Gallery Preview" && shot preview-dialog 3
xdotool key Escape; sleep 1
xdotool key F10 Right Right Right Down Down Down Return; wait_for "^Generate web gallery$"
xdotool key Tab Tab Tab space; shot build-dialog-building 1.5
wait_for "^Congratulations!$" && shot build-question 1
xdotool key n; shot build-dialog-done 1
xdotool key Escape; sleep 0.5

# Build > Publish Gallery...: the dialog with a folder typed as the destination, then the summary
# of a publish of the gallery just built into that folder (Tab walks Browse, Test connection and
# the failure list to the Publish button).
xdotool key F10 Right Right Right Down Down Down Down Return; wait_for "^Publish web gallery$"
# (A destination remembered from an earlier run is selected first, so the typing replaces it.)
xdotool key Home shift+End; xdotool type --delay 20 "$(winpath "$out/site")"; shot publish-dialog 1
xdotool key Tab Tab Tab Tab space
# When the gallery counts as out of date the question comes first; No publishes it as it was built.
if wait_for "^Fotoloom$"; then shot publish-question 1; xdotool key n; fi
for _ in $(seq 100); do [[ -f "$out/site/index.html" && -f "$out/site/.fotoloom-published" ]] && break; sleep 0.2; done
shot publish-dialog-done 2
[[ -f "$out/site/index.html" ]] || echo "screenshots: the publish into $out/site left no index.html" >&2
xdotool key Escape; sleep 0.5

# Changes as a person makes them: the toolbar's Rotate right on the selected thumbnail, and one more
# picture named in the system's open dialog. Closing asks the question; Yes opens the save dialog on
# the project's own path, and Return saves there.
# (On a scaled display the menu turns it: the toolbar's buttons keep the control's padding and
# separators of 96 DPI, so their places do not scale with the pictures.)
if ((dpi == 96)); then
  xdotool mousemove $(at 568 130) click 1 mousemove $(at 589 59) click 1
else
  xdotool mousemove $(at 568 130) click 1 key F10 Right Right Down Down Down Down Down Down Return
fi
sleep 1; shot rotated
xdotool key F10 Right Right Down Return; wait_for "^Open image file$"
xdotool type --delay 20 "$pictures\\night.jpg"; xdotool key Return; sleep 2; shot added
xdotool key alt+F4; wait_for "^Fotoloom$"; shot close-question
xdotool key y; wait_for "^Save" && shot save-dialog 2
xdotool key Return
for _ in $(seq 50); do xdotool search --name "Fotoloom - sample" >/dev/null 2>&1 || break; sleep 0.2; done

# What was saved, read back by the command line: the rotation and the added picture are there.
saved=$("$wine" "$root/$build/cli/fotoloom.exe" show "$project" --json 2>/dev/null | tr -d '\r')
[[ $(echo "$saved" | grep -c 'night\.jpg') == 2 ]] && echo "$saved" | grep -q '"rotation": 90' ||
  { echo "screenshots: the saved project does not hold the changes made in the program" >&2; echo "$saved" >&2; exit 1; }
echo "screenshots: the project saved by the program holds the rotation and the added picture"

# A picture whose file is gone: its missing-picture mark, its tooltip, and the keyboard's focus.
# Tab takes the focus to the album list, Down selects the second album, Tab comes back to its
# thumbnails, Right moves the focus to the second one.
rm -f "$out/pictures/tram.jpg"
"$wine" explorer /desktop=shot,"$desktop" "$exe" "$project" >/dev/null 2>&1 &
wait_for "Fotoloom - sample"
sleep 3
xdotool mousemove $(at 568 130) click 1; sleep 0.5
xdotool key Tab Down Tab Right; shot missing-picture 2
xdotool mousemove $(at 570 135); sleep 0.3; xdotool mousemove $(at 572 138); shot missing-picture-tooltip 3
xdotool key alt+F4
for _ in $(seq 50); do xdotool search --name "Fotoloom - sample" >/dev/null 2>&1 || break; sleep 0.2; done

task_pane_style_shots
