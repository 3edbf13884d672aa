#!/usr/bin/env bash
# Registers the built library with regsvr32, drives it from JScript and VBScript through Wine's
# cscript, and removes the registration again. The JScript client scans once for each Windows
# version that the script host is told (XP, 7, 10) and checks the document's OS version code.
# The system programs are those of the library's kind: the 32-bit ones in a 64-bit prefix.
# Usage: script_clients_test.sh <KVObject.dll> <script folder> <wine-run> <JScript scan type>
#                               <the library's kind: win32 or win64>
set -uo pipefail
wine_run=$3 scan_type=$4 library_kind=$5
. "$(dirname "$wine_run")/wine-env"
export WINEDEBUG=-all
# Wine's menu builder, started for every shortcut saved in the Start menu, has no part in the test.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
# Wine sees the host's root as drive Z:.
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
dll=$(windows_path "$1") scripts=$(windows_path "$2")
system=$(korvala_system_folder "$library_kind")
app_defaults='HKCU\Software\Wine\AppDefaults\cscript.exe'

"$wine_run" "$system\\regsvr32.exe" /s "$dll" || { echo "registration failed"; exit 1; }
status=0
shortcuts() { "$wine_run" cscript //nologo "$scripts\\start_menu_shortcuts.js" "$1" 2>&1 | grep -v "Read access denied"; }
run_script() {
  local output code
  output=$("$wine_run" "$system\\cscript.exe" //nologo "$@" 2>&1 | grep -v "Read access denied")
  code=${PIPESTATUS[0]}
  echo "$output"
  # cscript ends silently with 0 on an uncaught error: require the script's own verdict lines.
  if [ "$code" -ne 0 ] || ! grep -q '^ok ' <<<"$output" || grep -q '^FAIL\|^ERROR' <<<"$output"; then
    echo "script $1 failed (exit $code)"
    status=1
  fi
}
# The software pass needs entries to earn progress units, which the clients check.
made=$(shortcuts create)
echo "$made"
grep -q '^ok ' <<<"$made" || { echo "shortcuts could not be made"; status=1; }
# Windows version as Wine names it, and the OS version code of the version that a program without
# a manifest is told there: Windows 10 tells such programs 6.2, as Windows 8 (code 6).
for version_code in winxp:4 win7:6 win10:6; do
  echo "== script host told Windows ${version_code%:*}"
  "$wine_run" reg add "$app_defaults" /v Version /d "${version_code%:*}" /f >/dev/null 2>&1
  run_script "$scripts\\engine_client.js" "$scan_type" "${version_code#*:}"
done
"$wine_run" reg delete "$app_defaults" /f >/dev/null 2>&1
run_script "$scripts\\engine_client.vbs"
shortcuts remove >/dev/null
"$wine_run" "$system\\regsvr32.exe" /s /u "$dll" || { echo "unregistration failed"; status=1; }
exit $status
