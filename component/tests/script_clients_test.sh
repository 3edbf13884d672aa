#!/usr/bin/env bash
# Registers the built library with regsvr32, drives it from JScript and VBScript through
# Wine's cscript, and removes the registration again.
# Usage: script_clients_test.sh <KVObject.dll> <script folder> <wine-run> <JScript scan type>
set -uo pipefail
wine_run=$3 scan_type=$4
export WINEDEBUG=-all
# Wine sees the host's root as drive Z:.
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
dll=$(windows_path "$1") scripts=$(windows_path "$2")

"$wine_run" regsvr32 /s "$dll" || { echo "registration failed"; exit 1; }
status=0
shortcuts() { "$wine_run" cscript //nologo "$scripts\\start_menu_shortcuts.js" "$1" 2>&1 | grep -v "Read access denied"; }
run_script() {
  local output code
  output=$("$wine_run" cscript //nologo "$@" 2>&1 | grep -v "Read access denied")
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
run_script "$scripts\\engine_client.js" "$scan_type"
run_script "$scripts\\engine_client.vbs"
shortcuts remove >/dev/null
"$wine_run" regsvr32 /s /u "$dll" || { echo "unregistration failed"; status=1; }
exit $status
