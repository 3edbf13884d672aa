#!/usr/bin/env bash
# A folder in the Start menu that links back to its ancestor: the software pass still ends, and
# finds each shortcut once. Wine shows a host symbolic link to a folder as a directory link.
# Usage: folder_loop_test.sh TOOLS_DIR SAMPLE_PC_SETUP_EXE PRINT_SCAN_EXE
set -euo pipefail
tools=$1 setup=$2 scan=$3
. "$tools/wine-env"
# Wine's menu builder would copy the sample shortcuts into the host's menus and leave files behind.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
"$tools/wine-run" cmd /c exit
user=$KORVALA_WINEPREFIX/drive_c/users/$(id -un)
programs="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
made=(
  "$programs/loop" "$programs/Northwind Mail.lnk" "$user/Desktop/Contoso Paint.lnk"
  "$KORVALA_WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme"
  "$KORVALA_WINEPREFIX/drive_c/Program Files/Acme" "$KORVALA_WINEPREFIX/drive_c/Program Files/Northwind"
  "$KORVALA_WINEPREFIX/drive_c/Program Files/Contoso"
)
trap 'rm -rf "${made[@]}"' EXIT
"$tools/wine-run" "$setup" --no-devices >/dev/null
ln -sfn .. "$programs/loop"
# Only the sample programs' lines count: other tests may add devices meanwhile.
items=$(timeout 120 "$tools/wine-run" "$scan" | grep -c -E 'CURRENTVERSION="(1\.2\.0\.0|3, 1, 0, 7|2\.0\.1\.0)"')
echo "items found: $items"
[ "$items" -eq 3 ]
