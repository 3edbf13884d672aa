#!/usr/bin/env bash
# The demo's desktop part (needs an X display; run-demo.sh gives it one): starts korvala-desk in
# the demo's prefix, presses Start, waits (at most 60 s) until its scan document has reached the
# reference service, shows the service's log line and the updates offered, and closes the program.
# Usage: demo-desk-scan.sh SERVICE_LOG CATALOG_FILE
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=${KORVALA_DEMO_BUILD:-$root/build/win32}
service_log=$1 catalog=$2
posts() { grep -c "POST /result_page.php?desktop" "$service_log"; }
desktop_scans() { sqlite3 "$catalog" "SELECT COUNT(*) FROM scans WHERE page = 'desktop'"; }

before=$(posts)
scans_before=$(desktop_scans)
# The program as the installer put it on the sample PC.
"$root/tools/wine-run" 'C:\Program Files\Korvala\korvala-desk.exe' >/dev/null 2>&1 &
desk_pid=$!
status=1
if "$root/tools/wine-run" "$win/tests/demo/desk_button.exe" 1001; then
  echo "korvala-desk is scanning (Start pressed)"
  for _ in $(seq 600); do
    [ "$(posts)" -gt "$before" ] && break
    sleep 0.1
  done
  if [ "$(posts)" -gt "$before" ]; then
    echo "The service received korvala-desk's scan document:"
    echo "  $(grep "POST /result_page.php?desktop" "$service_log" | tail -1)"
    # The service writes its scan records a moment after the reply.
    for _ in $(seq 50); do
      [ "$(desktop_scans)" -gt "$scans_before" ] && break
      sleep 0.1
    done
    echo "  updates offered on its results page: $(sqlite3 "$catalog" \
      "SELECT offers FROM scans WHERE page = 'desktop' ORDER BY id DESC LIMIT 1")"
    status=0
  else
    echo "korvala-desk's scan did not reach the service within 60 s"
  fi
  "$root/tools/wine-run" "$win/tests/demo/desk_button.exe" 1005
fi
for _ in $(seq 100); do
  kill -0 "$desk_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$desk_pid" 2>/dev/null; then
  kill "$desk_pid"
else
  echo "korvala-desk closed"
fi
exit $status
