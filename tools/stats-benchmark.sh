#!/usr/bin/env bash
# How fast the statistics page (/stats) answers over a million scan records: fills a database of
# its own with RECORDS made-up records over the last 90 days (bench/scan_history, written as the
# service's recorder writes them, with offers of a 100,000-entry catalog of real ids from pci.ids
# and usb.ids), starts the optimised service on it and times GET /stats with curl: the first
# request, then the median and the slowest of ROUNDS more. For comparison it times the same daily
# totals read straight from the records (what the page would cost without its roll-ups). On
# SQLite, then on PostgreSQL when its server is installed (a throwaway cluster on a free loopback
# port, fsync off; run as the user postgres when this runs as root).
# Needs tools/build.sh service. Usage: stats-benchmark.sh [RECORDS] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
records=${1:-1000000}
rounds=${2:-9}
release=$root/build/service-release
for program in service/korvala-service bench/service_bench bench/scan_history; do
  [ -x "$release/$program" ] || { echo "stats-benchmark: $release/$program is missing (tools/build.sh service)" >&2; exit 2; }
done
work=$(mktemp -d)
chmod 0755 "$work"
service_pid=
pg_ctl=
cleanup() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; fi
  [ -z "$pg_ctl" ] || $pg_ctl -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

"$release/bench/service_bench" catalog "$work/catalog.txt" 100000

# measure NAME DATABASE STRAIGHT-COMMAND...: fills the database, times /stats, then the command.
measure() {
  local name=$1 database=$2 log=$work/$1.log start admin first times straight
  shift 2
  local at=--catalog
  [[ $database != postgresql://* ]] || at=--database
  "$release/service/korvala-service" "$at" "$database" --import "$work/catalog.txt" >/dev/null
  "$release/bench/scan_history" "$database" "$records" 90
  "$release/service/korvala-service" "$at" "$database" --listen 127.0.0.1:0 --admin-listen 127.0.0.1:0 2>"$log" &
  service_pid=$!
  "$root/tools/wait-for-service" "$log" >/dev/null
  admin=$(sed -n 's|^korvala-service: admin listener on \(http://[^ ]*\).*|\1|p' "$log")
  first=$(curl -sSf -o "$work/stats.html" -w '%{time_total}' "$admin/stats")
  grep -q "<h1>Scans and offers</h1>" "$work/stats.html" || { echo "stats-benchmark: /stats gave no page" >&2; exit 1; }
  times=$(for _ in $(seq "$rounds"); do curl -sSf -o /dev/null -w '%{time_total}\n' "$admin/stats"; done | sort -n)
  kill "$service_pid"
  wait "$service_pid" || true
  service_pid=
  start=$(now)
  "$@" >/dev/null
  straight=$(elapsed "$start")
  awk -v name="$name" -v records="$records" -v first="$first" -v straight="$straight" -v rounds="$rounds" '
    { t[NR] = $1 }
    END { printf "%s, %d records: /stats first %.3f s, median of %d %.3f s, slowest %.3f s; the daily totals straight from the records: %.3f s\n",
          name, records, first, rounds, t[int((NR + 1) / 2)], t[NR], straight }' <<<"$times"
}

straight_query="SELECT %s, os_code, COUNT(*), SUM(items), SUM(offers) FROM scans GROUP BY 1, 2"
# shellcheck disable=SC2059  # the query's day expression is the format's argument
measure SQLite "$work/stats.sqlite" sqlite3 "$work/stats.sqlite" "$(printf "$straight_query" "substr(received_utc, 1, 10)")"

bin=$(find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -name bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "stats-benchmark: no PostgreSQL server installed; SQLite only"
  exit 0
fi
run_as=()
if [ "$(id -u)" = 0 ]; then
  mkdir "$work/pg" && chown postgres: "$work/pg"
  run_as=(runuser -u postgres --)
else
  mkdir "$work/pg"
fi
"${run_as[@]}" "$bin/initdb" -D "$work/pg/data" -A trust -U postgres --no-sync -E UTF8 --locale=C >/dev/null
port=$(free_port)
pg_ctl="${run_as[*]} $bin/pg_ctl -D $work/pg/data"
$pg_ctl -l "$work/pg/server.log" -w -o "-p $port -k $work/pg -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
psql -q -h 127.0.0.1 -p "$port" -U postgres -c "CREATE DATABASE korvala" postgres
address="postgresql://postgres@127.0.0.1:$port/korvala"
# shellcheck disable=SC2059
measure PostgreSQL "$address" psql -q -h 127.0.0.1 -p "$port" -U postgres -c \
  "$(printf "$straight_query" "to_char(received_utc AT TIME ZONE 'UTC', 'YYYY-MM-DD')")" korvala
