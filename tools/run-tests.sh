#!/usr/bin/env bash
# The whole test suite: installs what is needed, builds both configurations, runs the native
# tests (with AddressSanitizer and UndefinedBehaviorSanitizer) and the Windows tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" all
"$root/tools/build.sh" fuzz

ctest --test-dir "$root/build/native" --output-on-failure -j2
# Every fuzzer over its corpus for a fixed number of inputs.
ctest --test-dir "$root/build/fuzz" --output-on-failure -j2 -L fuzz

export KORVALA_WINEPREFIX=$root/build/win32/wineprefix
status=0
"$root/tools/with-display.sh" bash -c '
  ctest --test-dir "$0/build/win32" --output-on-failure -j2; status=$?
  "$0/tools/wine-prefix" stop
  exit $status' "$root" || status=$?
exit $status
