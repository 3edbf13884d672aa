#!/usr/bin/env bash
# The reference service under load, for tools/run-benchmarks.sh: two builds of korvala-service
# side by side in one run, the optimised build of this tree (build/service-release) and the
# optimised build of an earlier commit (BASELINE, a korvala-service program), each with a
# catalog of 100,000 entries made from the real ids of pci.ids and usb.ids imported into a fresh
# SQLite file of its own, and the same 500-item update-count document. In alternating rounds,
# each build serves ApacheBench with 4 connections for SECONDS, first on keep-alive
# connections, then on a new connection per count; once with the default limits and once with
# the limits at their tightest sensible values (four times as many connections per client address
# as the benchmark opens, room for the bodies of one megabyte). The service's CPU time per count
# (user plus system of all its threads) comes from /proc. Prints each round, "ROW" lines with
# the medians (of each figure, and of the ratio of the two builds within each round), and a
# "NOTE" when the machine's load exceeded its cores; with perf installed, the top of a profile of
# this tree's build under keep-alive load.
# Usage: service-benchmark.sh BASELINE LABEL [ROUNDS] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
baseline=$1
label=$2
rounds=${3:-3}
seconds=${4:-10}
clients=4
release=$root/build/service-release
work=$(mktemp -d)
service_pid=
cleanup() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
row() { printf 'ROW\t%s\t%s\t%s\n' "$1" "$2" "$3"; }
command -v ab >/dev/null || { echo "service-benchmark: ApacheBench (ab, package apache2-utils) is missing" >&2; exit 1; }

declare -A program=([before]=$baseline [after]=$release/service/korvala-service)
"$release/bench/service_bench" catalog "$work/catalog.txt" 100000
"$release/bench/service_bench" document "$work/catalog.txt" "$work/count.body"
for build in before after; do
  start=$(date +%s.%N)
  "${program[$build]}" --catalog "$work/$build.sqlite" --import "$work/catalog.txt" >/dev/null
  awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f\n", b - a }' >"$work/$build.import"
done

# Per client address, four times the benchmark's connections: a connection that ended is counted
# until its close has arrived, and with a new connection per count, several have ended at once.
# Bodies: room for one of the largest a request may have.
declare -A limit_options=([default]="" [tight]="--client-connections $((4 * clients)) --request-buffers 1M")

# Starts a build with the given limits; sets service_pid and port.
start_service() {
  local build=$1 limits=$2 log=$work/$1-$2.log admin=()
  # A build with the admin listener gets a free port for it, so that it never collides.
  "${program[$build]}" --help | grep -q -- --admin-listen && admin=(--admin-listen 127.0.0.1:0)
  # shellcheck disable=SC2086  # the limits' options are words
  "${program[$build]}" --listen 127.0.0.1:0 --catalog "$work/$build.sqlite" --downloads "$work" \
    "${admin[@]}" ${limit_options[$limits]} 2>"$log" &
  service_pid=$!
  port=$("$root/tools/wait-for-service" "$log")
  port=${port##*:}
}

stop_service() {
  kill "$service_pid"
  wait "$service_pid" || true
  service_pid=
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$service_pid/stat"; }

# One measurement: "counts/s p50 p99 failed cpu-us-per-count" appended to $work/<build>-<limits>-<mode>.
measure() {
  local build=$1 limits=$2 mode=$3 keep=() before after output
  [ "$mode" = keepalive ] && keep=(-k)
  before=$(cpu_ticks)
  # ApacheBench ends with an error when a connection is reset; its figures so far still count.
  output=$(ab "${keep[@]}" -q -c "$clients" -t "$seconds" -n 10000000 -p "$work/count.body" \
    -T application/x-www-form-urlencoded -e "$work/percentiles.csv" "http://127.0.0.1:$port/count_updates.php" 2>&1) ||
    echo "$output" | tail -1 >&2
  after=$(cpu_ticks)
  awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" '
    FILENAME != "-" { split($0, f, ","); if (f[1] == 50) p50 = f[2]; if (f[1] == 99) p99 = f[2]; next }
    /^Complete requests:/ { n = $3 }
    /^Failed requests:/ { failed += $3 }
    /^Non-2xx responses:/ { failed += $3 }
    /^Requests per second:/ { rate = $4 }
    END { printf "%.0f %.2f %.2f %d %.1f\n", rate, p50, p99, failed, n ? t / hz / n * 1e6 : 0 }' \
    - "$work/percentiles.csv" <<<"$output" >>"$work/$build-$limits-$mode"
  echo "$build, $limits limits, $mode: $(tail -1 "$work/$build-$limits-$mode")"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "each line: counts per second, latency p50 and p99 (ms), failed, CPU per count (us)"
for r in $(seq "$rounds"); do
  echo "-- round $r"
  for limits in default tight; do
    for build in before after; do
      start_service "$build" "$limits"
      ab -k -q -c "$clients" -n 200 -p "$work/count.body" -T application/x-www-form-urlencoded \
        "http://127.0.0.1:$port/count_updates.php" >/dev/null  # warms the caches
      measure "$build" "$limits" keepalive
      measure "$build" "$limits" newconnection
      stop_service
    done
  done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
echo "load average (1, 5, 15 min) before the rounds: $load_before; after: $load_after"

# The median of a field (1 counts/s, 2 p50, 3 p99, 4 failed, 5 CPU) over the rounds of a series.
median() { cut -d' ' -f"$2" "$work/$1" | sort -g | awk -v n="$rounds" 'NR == int((n + 1) / 2)'; }
total() { cut -d' ' -f4 "$work/$1" | awk '{ s += $1 } END { print s + 0 }'; }
# The median over the rounds of the ratio of counts per second, series 2 over series 1: each round
# ran both under the same load.
ratio() {
  paste -d' ' "$work/$1" "$work/$2" | awk '{ print ($1 > 0 ? $6 / $1 : 0) }' | sort -g |
    awk -v n="$rounds" 'NR == int((n + 1) / 2) { printf "%.2fx", $1 }'
}
for limits in default tight; do
  what="500-item update counts, 100,000-entry catalog, $clients ApacheBench connections"
  [ "$limits" = tight ] && what="$what, tightest limits (${limit_options[tight]})"
  for mode in keepalive newconnection; do
    name=$([ "$mode" = keepalive ] && echo "keep-alive" || echo "a new connection per count")
    target=$([ "$mode" = keepalive ] && echo ">= 2.5x" || echo ">= 2x")
    b=$(median "before-$limits-$mode" 1) a=$(median "after-$limits-$mode" 1)
    row "Service, $what, $name: counts per second, $label / this tree / ratio" "$target" \
      "$b / $a / $(ratio "before-$limits-$mode" "after-$limits-$mode")"
    row "Service, same, $name: CPU time per count (us), $label / this tree" "<= 50 (this tree)" \
      "$(median "before-$limits-$mode" 5) / $(median "after-$limits-$mode" 5)"
    row "Service, same, $name: latency p50 / p99 (ms), $label / this tree" "p99 <= 2 (this tree)" \
      "$(median "before-$limits-$mode" 2) / $(median "before-$limits-$mode" 3) ; $(median "after-$limits-$mode" 2) / $(median "after-$limits-$mode" 3)"
    row "Service, same, $name: failed requests in all rounds, $label / this tree" "0" \
      "$(total "before-$limits-$mode") / $(total "after-$limits-$mode")"
  done
done
for mode in keepalive newconnection; do
  row "Service, this tree, $mode: counts per second with the tightest limits / with the default ones" \
    "(within noise)" "$(ratio "after-default-$mode" "after-tight-$mode")"
done
row "Service: import of the 100,000-entry catalog text, $label / this tree (s)" "(reported)" \
  "$(cat "$work/before.import") / $(cat "$work/after.import")"
row "Service runs: machine load average (1 min) before / after" "(reported)" \
  "${load_before%% *} / ${load_after%% *}"
cores=$(nproc)
if awk -v a="${load_before%% *}" -v b="${load_after%% *}" -v c="$cores" 'BEGIN { exit !(a > c || b > c) }'; then
  printf 'NOTE\t%s\n' "The machine is shared, and other work kept it busy during the service's rounds (load average \
${load_before%% *} before and ${load_after%% *} after them, on $cores cores): the service and ApacheBench got only part \
of the cores, so counts per second and latencies are lower than on an idle machine, and the ratios are less certain. The \
CPU time per count depends much less on it."
fi

if command -v perf >/dev/null; then
  echo "== perf profile of this tree's build, keep-alive load for $seconds s (top symbols, self time)"
  start_service after default
  perf record -q -g -o "$work/perf.data" -p "$service_pid" -- sleep "$seconds" 2>/dev/null &
  perf_pid=$!
  ab -k -q -c "$clients" -t "$seconds" -n 10000000 -p "$work/count.body" -T application/x-www-form-urlencoded \
    "http://127.0.0.1:$port/count_updates.php" >/dev/null 2>&1 || true
  wait "$perf_pid" || true
  stop_service
  perf report -q -i "$work/perf.data" --no-children --percent-limit 1.5 --stdio -g none 2>/dev/null |
    grep -v '^$' | head -25 || true
fi
