#!/usr/bin/env bash
# One project builds the same pages on Linux and on Windows. The project holds its titles,
# captions and comments as narrow strings: UTF-8 with non-ASCII characters (what other tools and
# older Linux builds write) and one in Windows-1252 (what the Windows writers write). It is built
# by the Linux fotoloom and by fotoloom.exe under Wine, with every shipped theme; every page and
# style sheet must match byte for byte (the pictures may differ by codec and are not compared).
#   windows_pages_match.sh LINUX_FOTOLOOM WINDOWS_FOTOLOOM_EXE WINE_RUN WORK_FOLDER
# Exit status 77 (skipped) when the Windows program has not been built.
set -euo pipefail

abs() { [[ $1 == /* ]] && echo "$1" || echo "$PWD/$1"; }
linux_cli=$(abs "$1") windows_cli=$(abs "$2") wine_run=$(abs "$3") work=$(abs "$4")

if [[ ! -f "$windows_cli" ]]; then
  echo "skipped: $windows_cli is not built (build the win64 preset first)"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work/pictures"
cd "$work"
convert -size 64x48 gradient:'#1e5799-#7db9e8' pictures/one.jpg
convert -size 48x64 gradient:'#2a7d3b-#f0f0e0' pictures/two.png

# Each field is first written as a marker of the same byte length as its text, then the marker's
# bytes are replaced by the text's, so the file keeps the narrow form whatever the text holds.
declare -A texts=(
  [T]=$'Caf\xc3\xa9 \xc3\x96sterreich \xe2\x80\x94 Stra\xc3\x9fe'  # UTF-8
  [D]=$'Z\xc3\xbcrich, \xe6\x9d\xb1\xe4\xba\xac & \xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1 <"quoted">'
  [A]=$'Gr\xfc\xdfe aus K\xf6ln \x80 5'  # Windows-1252: not valid UTF-8
  [C]=$'Fj\xc3\xa4ll \xe2\x80\x93 na\xc3\xafve'
  [M]=$'M\xc3\xbcnchen \xf0\x9f\x98\x80 b\xc3\xa9b\xc3\xa9'
  [N]=$'plain ascii comment'
)
marker() {  # marker LETTER TEXT: LETTER repeated, as many bytes as TEXT holds
  local LC_ALL=C
  printf "%0${#2}d" 0 | tr 0 "$1"
}
cli=$linux_cli
$cli new project.gal >/dev/null
$cli set project.gal "galleryTitle=$(marker T "${texts[T]}")" \
  "galleryDescription=$(marker D "${texts[D]}")" >/dev/null
$cli album add project.gal "$(marker A "${texts[A]}")" >/dev/null
$cli album edit project.gal 1 --caption "$(marker C "${texts[C]}")" >/dev/null
$cli image add-folder project.gal 1 "$work/pictures" >/dev/null
$cli image comment project.gal 1 1 --text "$(marker M "${texts[M]}")" >/dev/null
$cli image comment project.gal 1 2 --text "$(marker N "${texts[N]}")" >/dev/null
for letter in "${!texts[@]}"; do
  count=$(grep -c -a -o "$(marker "$letter" "${texts[$letter]}")" project.gal || true)
  [[ $count == 1 ]] || { echo "the marker for $letter is in project.gal $count times" >&2; exit 1; }
  MARK=$(marker "$letter" "${texts[$letter]}") TEXT=${texts[$letter]} \
    perl -0777 -pi -e 's/\Q$ENV{MARK}\E/$ENV{TEXT}/' project.gal
done

# The Windows program gets Windows paths; the picture paths in the project are the Linux ones,
# which Wine reaches on drive Z: (its working folder is there too). Wine names files in the
# locale's character set, so it runs in a UTF-8 one whatever the caller's is.
winpath() { echo "Z:${1//\//\\}"; }
status=0
for theme in $($cli themes); do
  mkdir -p "linux-$theme" "windows-$theme"
  "$cli" build project.gal --output "$work/linux-$theme" --theme "$theme" --jobs 1 >/dev/null ||
    { echo "the Linux build with $theme failed" >&2; status=1; }
  LC_ALL=C.UTF-8 bash "$wine_run" "$windows_cli" build "$(winpath "$work/project.gal")" \
    --output "$(winpath "$work/windows-$theme")" --theme "$theme" --jobs 1 >/dev/null ||
    { echo "the Windows build with $theme failed" >&2; status=1; }
  pages() { (cd "$1" && find . -type f \( -name '*.html' -o -name '*.css' \) | sort); }
  if [[ $(pages "linux-$theme" | wc -l) -lt 3 ]]; then
    echo "the Linux build with $theme wrote no pages" >&2
    status=1
  elif ! diff <(pages "linux-$theme") <(pages "windows-$theme"); then
    echo "the builds with $theme wrote different pages (< Linux, > Windows)" >&2
    status=1
  else
    while read -r page; do
      cmp "linux-$theme/$page" "windows-$theme/$page" || status=1
    done < <(pages "linux-$theme")
  fi
  grep -rqF "${texts[T]}" "linux-$theme" || { echo "the UTF-8 title is not on the $theme pages" >&2; status=1; }
  grep -rqF $'Gr\xc3\xbc\xc3\x9fe aus K\xc3\xb6ln \xe2\x82\xac 5' "linux-$theme" ||
    { echo "the Windows-1252 album title is not on the $theme pages as UTF-8" >&2; status=1; }
done
((status == 0)) && echo "the same pages on Linux and Windows with every theme"
exit $status
