#!/usr/bin/env bash
# Takes a screenshot of the statistics page of the reference service's admin listener (/stats)
# over made-up scans: makes a catalog of 20,000 entries from the real ids of pci.ids and usb.ids,
# writes 150,000 scan records received over the last 90 days into a private korvala-service's
# SQLite database (bench/scan_history, as the service's recorder writes them, with offers of that
# catalog), checks that the chart holds them and the page lists 20 entries, and renders the page
# with headless Chromium into docs/service-stats.png.
# Needs a native build (tools/build.sh native). Usage: screenshot-stats.sh [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$root/build/native
output=${1:-$root/docs/service-stats.png}
# shellcheck source=tools/private-service-env
. "$root/tools/private-service-env"
needs screenshot-stats "$native/service/korvala-service" "$native/bench/service_bench" "$native/bench/scan_history"

"$native/bench/service_bench" catalog "$work/catalog.txt" 20000
"$native/service/korvala-service" --catalog "$work/catalog.sqlite" --import "$work/catalog.txt" >/dev/null
"$native/bench/scan_history" "$work/catalog.sqlite" 150000 90
"$native/service/korvala-service" --catalog "$work/catalog.sqlite" --listen 127.0.0.1:0 --admin-listen 127.0.0.1:0 \
  2>"$work/service.log" &
service_pid=$!
"$root/tools/wait-for-service" "$work/service.log" >/dev/null
admin=$(sed -n 's|^korvala-service: admin listener on \(http://[^ ]*\).*|\1|p' "$work/service.log")
curl -sSf -o "$work/stats.html" "$admin/stats"

bars=$(grep -c '<rect class="day"' "$work/stats.html" || true)
entries=$(grep -c '^<tr><td class="n">' "$work/stats.html" || true)
if ! grep -q '<p>150,000 scans from ' "$work/stats.html" || [ "$entries" -ne 20 ]; then
  echo "screenshot-stats: the chart does not hold the 150,000 scans, or the page lists $entries entries, not 20" >&2
  exit 1
fi

"$root/tools/chromium-screenshot" "$admin/stats" "$output" 960,1600
echo "screenshot-stats: wrote $output ($bars days with scans, $entries entries)"
