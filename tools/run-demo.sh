#!/usr/bin/env bash
# The main job: installs what is needed, builds, starts the reference service, prepares a sample
# PC in a private Wine prefix and shows a real scan of it against the service.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" all >/dev/null

demo=$root/build/demo
mkdir -p "$demo"
export KORVALA_WINEPREFIX=$demo/wineprefix
# The sample PC's shortcuts stay inside the prefix: Wine's menu builder does not copy them into
# the host's menus.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
# The shipped 32-bit binaries in a 32-bit prefix; where the kernel runs no 32-bit code, the 64-bit
# build of the same code in a 64-bit prefix, so the demo still shows a real scan.
runs_32bit=0
"$root/tools/runs-32bit" || runs_32bit=$?
if [ $runs_32bit -eq 0 ]; then
  export KORVALA_WINEARCH=win32 KORVALA_DEMO_BUILD=$root/build/win32
else
  if [ $runs_32bit -eq 2 ]; then
    echo "== NOTE: Wine's 32-bit loader (wine32:i386) is not installed: the demo uses the 64-bit build"
  else
    echo "== NOTE: this machine's kernel runs no 32-bit programs: the demo uses the 64-bit build"
  fi
  export KORVALA_WINEARCH=win64 KORVALA_DEMO_BUILD=$root/build/win64
fi
win=$KORVALA_DEMO_BUILD
winepath_of() { echo "Z:$1" | tr / '\\'; }
service_log=$demo/service.log

echo "== Publishing the installer in the service's downloads folder"
mkdir -p "$demo/downloads"
cp "$win/installer/korvala-setup.exe" "$demo/downloads/korvala-setup.exe"

service=$root/build/service-release
entries=$(sqlite3 "$demo/catalog.sqlite" "SELECT COUNT(*) FROM catalog" 2>/dev/null || echo 0)
if [ "$entries" -lt 100000 ]; then
  echo "== Filling the service's catalog: 100,000 entries of real PCI and USB ids, then the sample catalog"
  "$service/bench/service_bench" catalog "$demo/real-ids-catalog.txt" 100000
  "$service/service/korvala-service" --catalog "$demo/catalog.sqlite" --import "$demo/real-ids-catalog.txt"
  # The sample PC's own entries win over generated ones with the same identity.
  "$service/service/korvala-service" --catalog "$demo/catalog.sqlite" --import "$root/service/catalog/sample-catalog.txt"
fi

echo "== Starting the reference service (optimised build; log: $service_log)"
"$service/service/korvala-service" --catalog "$demo/catalog.sqlite" --downloads "$demo/downloads" \
  2>"$service_log" &
service_pid=$!
cleanup() {
  kill "$service_pid" 2>/dev/null || true
  "$root/tools/wine-prefix" stop
}
trap cleanup EXIT
"$root/tools/wait-for-service" "$service_log" >/dev/null

echo "== Preparing the sample PC in a fresh prefix, $KORVALA_WINEPREFIX"
"$root/tools/wine-prefix" stop
rm -rf "$KORVALA_WINEPREFIX"
"$root/tools/wine-run" "$win/tests/demo/sample_pc_setup.exe"

echo "== Downloading korvala-setup.exe from the service and installing Korvala silently"
curl -sSf -o "$demo/korvala-setup.exe" http://127.0.0.1:8077/download/korvala-setup.exe
"$root/tools/wine-run" "$(winepath_of "$demo/korvala-setup.exe")" /S

echo "== Scanning the sample PC (devices, then programs) and printing the scan document"
"$root/tools/wine-run" "$win/tests/demo/print_scan.exe" >"$demo/scan.xml"
cat "$demo/scan.xml"; echo

echo "== Running a full scan through the installed KVObject from a script, as a web page would"
"$root/tools/wine-run" cscript //nologo "$(winepath_of "$root/component/scripts/scan.js")" | tr -d '\r'

echo "== Running korvala-desk on the sample PC: Start pressed, its scan posted to the service"
# The desktop program needs a display: the wineserver is restarted under it.
"$root/tools/wine-prefix" stop
"$root/tools/with-display.sh" "$root/tools/demo-desk-scan.sh" "$service_log" "$demo/catalog.sqlite"
