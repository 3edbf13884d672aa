#!/usr/bin/env bash
# Takes a screenshot of the results page that the reference service shows the desktop program
# for a PC of real devices: takes the PCI devices of one machine from the PCI id list (pci.ids),
# makes a catalog that knows each of them by its whole hardware id, its cut before "&REV_" and
# its cut before "&SUBSYS_", posts the desktop program's scan document of that PC (items without
# levels, all drivers of one version) to a private korvala-service, checks that the page offers
# one update per device and renders it with headless Chromium into docs/results-page.png.
# Needs a native build (tools/build.sh native). Usage: screenshot-results.sh [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$root/build/native
output=${1:-$root/docs/results-page.png}
pci_ids=/usr/share/misc/pci.ids
# Dell Inspiron 1525, a notebook of the Windows XP years: subsystem vendor and device.
subsystem="1028 022f"
devices=12
revision=02
installed=5.1.2600.5512
# shellcheck source=tools/private-service-env
. "$root/tools/private-service-env"
needs screenshot-results "$native/service/korvala-service" "$native/service/tests/write_scan_document" "$pci_ids"

# One line per device: vendor id, device id, vendor name, device name, subsystem name.
awk -v subsystem="$subsystem" -v limit="$devices" '
  /^[0-9a-f][0-9a-f][0-9a-f][0-9a-f]  / { vendor = substr($0, 1, 4); vendorName = substr($0, 7) }
  /^\t[0-9a-f][0-9a-f][0-9a-f][0-9a-f]  / { device = substr($0, 2, 4); deviceName = substr($0, 8) }
  index($0, "\t\t" subsystem "  ") == 1 {
    print vendor "\t" device "\t" vendorName "\t" deviceName "\t" substr($0, 14)
    if (++count == limit) exit
  }' "$pci_ids" | tr -d '|' >"$work/devices.tsv"
[ "$(wc -l <"$work/devices.tsv")" -eq "$devices" ] || { echo "screenshot-results: fewer than $devices devices" >&2; exit 1; }

read -r sub_vendor sub_device <<<"$subsystem"
subsys=$(printf '%s%s' "$sub_device" "$sub_vendor" | tr a-f A-F)
: >"$work/catalog.txt"
: >"$work/pc.tsv"
while IFS=$'\t' read -r vendor device vendor_name device_name machine; do
  base=$(printf 'PCI\\VEN_%s&DEV_%s' "$vendor" "$device" | tr a-f A-F)
  {
    printf '%s | %s %s | 6.0.0.0 | http://drivers.example/%s.exe\n' "$base" "$vendor_name" "$device_name" "$device"
    printf '%s&SUBSYS_%s | %s %s for %s | 6.1.0.0 | http://drivers.example/%s-%s.exe\n' \
      "$base" "$subsys" "$vendor_name" "$device_name" "$machine" "$device" "$subsys"
    printf '%s&SUBSYS_%s&REV_%s | %s %s for %s, revision %s | 6.1.2.0 | http://drivers.example/%s-%s-%s.exe\n' \
      "$base" "$subsys" "$revision" "$vendor_name" "$device_name" "$machine" "$revision" "$device" "$subsys" "$revision"
  } >>"$work/catalog.txt"
  printf '%s&SUBSYS_%s&REV_%s\t%s\n' "$base" "$subsys" "$revision" "$installed" >>"$work/pc.tsv"
done <"$work/devices.tsv"

"$native/service/korvala-service" --catalog "$work/catalog.sqlite" --import "$work/catalog.txt" >/dev/null
"$native/service/tests/write_scan_document" <"$work/pc.tsv" >"$work/scan.xml"
"$native/service/korvala-service" --catalog "$work/catalog.sqlite" --listen 127.0.0.1:0 --admin-listen 127.0.0.1:0 \
  2>"$work/service.log" &
service_pid=$!
address=$("$root/tools/wait-for-service" "$work/service.log")
curl -sSf --data-binary "@$work/scan.xml" -o "$work/results.html" "$address/result_page.php?desktop"

rows=$(grep -c '<tr class="offer">' "$work/results.html" || true)
grep -q "found $devices updates" "$work/results.html" && [ "$rows" -eq "$devices" ] ||
  { echo "screenshot-results: the page lists $rows offers for $devices devices" >&2; exit 1; }

"$root/tools/chromium-screenshot" "file://$work/results.html" "$output" 820,940
echo "screenshot-results: wrote $output ($rows offers for $devices devices)"
