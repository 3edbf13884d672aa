#!/usr/bin/env bash
# Runs every fuzzer for the given number of seconds each (default 60), one after the other,
# starting from its kept corpus alone. New inputs go to build/fuzz/found/<name> (emptied at the
# start; add the useful ones to fuzz/corpus/<name> by hand), faults to build/fuzz/findings/.
# Prints each fuzzer's coverage and features over the seeds and at the end, and how many inputs
# it ran.
# Usage: run-fuzzers.sh [seconds] [name...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
"$root/tools/build.sh" fuzz >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for program in "$root"/build/fuzz/fuzz/*_fuzz; do
    names+=("$(basename "$program" _fuzz)")
  done
fi
mkdir -p "$root/build/fuzz/findings" "$root/build/fuzz/logs"
status=0
printf '%-16s %-22s %-22s %12s %s\n' fuzzer "seeds (cov/ft)" "end (cov/ft)" executions result
for name in "${names[@]}"; do
  found=$root/build/fuzz/found/$name
  log=$root/build/fuzz/logs/$name.log
  rm -rf "$found"
  mkdir -p "$found"
  result=clean
  "$root/build/fuzz/fuzz/${name}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$root/build/fuzz/findings/$name-" "$found" "$root/fuzz/corpus/$name" >"$log" 2>&1 || {
    result="FAULT (see $log)"
    status=1
  }
  start=$(grep -m1 'INITED' "$log" | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1\/\2/')
  end=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1\/\2/')
  runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  printf '%-16s %-22s %-22s %12s %s\n' "$name" "$start" "$end" "${runs:-?}" "$result"
done
exit $status
