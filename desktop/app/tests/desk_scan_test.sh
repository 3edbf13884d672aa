#!/usr/bin/env bash
# Runs desk_scan_test.exe against the reference service, started here on the loopback address
# that korvala-desk-loopback was built with and saving each document it receives.
# Usage: desk_scan_test.sh SERVICE_BINARY TEST_EXE HOST:PORT
set -uo pipefail
service=$1 test_exe=$2 listen=$3
tools=$(cd "$(dirname "$0")/../../../tools" && pwd)
if [ ! -x "$service" ]; then
  echo "SKIPPED: the reference service $service is not built (tools/build.sh native)"
  exit 77
fi

work=$(mktemp -d)
mkdir -p "$work/scans" "$work/downloads"
"$service" --listen "$listen" --catalog "$work/catalog.sqlite" --downloads "$work/downloads" \
  --keep-scans "$work/scans" 2>"$work/service.log" &
service_pid=$!
cleanup() {
  kill "$service_pid" 2>/dev/null
  wait "$service_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 100); do
  grep -q "listening on" "$work/service.log" && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "listening on" "$work/service.log"; then
  echo "the reference service did not start on $listen:"
  cat "$work/service.log"
  exit 1
fi

winpath() { echo "Z:$1" | tr / '\\'; }
KORVALA_KEPT_SCANS=$(winpath "$work/scans") KORVALA_SERVICE_LOG=$(winpath "$work/service.log") \
  "$tools/wine-run" "$test_exe"
result=$?
echo "== service log"
cat "$work/service.log"
exit $result
