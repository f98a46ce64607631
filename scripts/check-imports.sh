#!/usr/bin/env bash
# Checks that Windows programs and libraries need nothing that Windows does not bring: each file's
# imported DLLs must be system DLLs (or Sidefold.dll, which ships beside the programs). A mingw
# runtime DLL (libstdc++, libgcc, libwinpthread) among them means the static linking broke.
#   check-imports.sh FILE.exe|FILE.dll...     exit status 1 when any file imports anything else
set -euo pipefail

objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|msvcrt|ucrtbase|windowscodecs|uxtheme|winmm|msimg32|version|hhctrl\.ocx|gdiplus|imm32|dwmapi|rpcrt4|ws2_32|bcrypt|crypt32|ntdll|oleacc|shcore|urlmon|sidefold)(\.dll)?$|^api-ms-win-'
status=0
for file in "$@"; do
  dlls=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
  [[ -n "$dlls" ]] || { echo "check-imports: $file: no import table found" >&2; status=1; continue; }
  bad=$(echo "$dlls" | tr 'A-Z' 'a-z' | grep -Ev "$allowed" || true)
  if [[ -n "$bad" ]]; then
    echo "check-imports: $(basename "$file") needs DLLs that Windows does not bring: $(echo $bad)" >&2
    status=1
  else
    echo "check-imports: $(basename "$file") imports only system DLLs: $(echo $dlls)"
  fi
done
exit $status
