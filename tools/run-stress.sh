#!/usr/bin/env bash
# Stress runs with fixed, bounded loops, apart from the test suite; prints their figures.
#  1. KVObject created, scanned, cancelled and released 200 times in one process (Wine).
#  2. GetNumUpdates against a service that accepts connections and never answers (Wine, ~10 s).
#  3. The reference service under 8 concurrent clients sending 4000 count and results requests
#     over loopback, with its resident memory before and after.
# Usage: run-stress.sh [cycles] [clients] [requests-per-client]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cycles=${1:-200}
clients=${2:-8}
per_client=${3:-500}
"$root/tools/build.sh" native >/dev/null
"$root/tools/build.sh" win32 >/dev/null
status=0

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

echo "== service under load"
# The catalog lives in memory: the figures are of the service, not of the disk's flushes. The
# sanitizers' quarantine of freed memory is kept small so that resident memory shows real use.
work=$(mktemp -d -p /dev/shm)
port=18191
ASAN_OPTIONS=quarantine_size_mb=1 "$root/build/native/service/korvala-service" --listen "127.0.0.1:$port" --admin-listen 127.0.0.1:0 \
  --catalog "$work/catalog.sqlite" \
  --downloads "$work" 2>"$work/service.log" &
service=$!
trap 'kill $service 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.2
done
load="$root/build/native/stress/service_load"
# A first round settles the allocator and the catalog's caches.
"$load" 127.0.0.1 "$port" "$clients" 50 >/dev/null || status=1
before=$(rss_kb $service)
"$load" 127.0.0.1 "$port" "$clients" "$per_client" || status=1
after=$(rss_kb $service)
echo "service RSS: before ${before} kB, after ${after} kB"
kill $service
wait $service 2>/dev/null || true
# The service ends on the signal through its normal exit, where LeakSanitizer reports leaks.
if grep -q "LeakSanitizer" "$work/service.log"; then
  echo "service: leaks reported at exit"; status=1
else
  echo "service: no leak reported at exit"
fi

export KORVALA_WINEPREFIX=$root/build/win32/wineprefix
stress=$(find "$root/build/win32" -name kvobject_stress.exe | head -1)
echo "== KVObject cycles"
"$root/tools/wine-run" "$stress" cycles "$cycles" || status=1
echo "== GetNumUpdates against a silent service"
"$root/tools/wine-run" "$stress" silent || status=1
"$root/tools/wine-prefix" stop
exit $status
