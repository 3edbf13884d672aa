#!/usr/bin/env bash
# Runs desk_dpi_test.exe against the real korvala-desk at 96, 120 and 144 DPI. The DPI is Wine's
# LogPixels setting (HKCU "Control Panel\Desktop"), which every program of the prefix reads when
# it starts; so these runs have a prefix of their own beside the build's test prefix, with its own
# wineserver, and no other test ever sees a changed DPI.
# Usage: desk_dpi_test.sh <wine-run> <desk_dpi_test.exe>
set -uo pipefail
wine_run=$(realpath "$1") checker=$(realpath "$2")
tools=$(dirname "$wine_run")
. "$tools/wine-env"
export KORVALA_WINEPREFIX=$KORVALA_WINEPREFIX-dpi
. "$tools/wine-env"
trap '"$tools/wine-prefix" stop' EXIT
"$tools/wine-prefix" ensure

failures=0
for dpi in 96 120 144; do
  echo "== $dpi DPI"
  "$wine_loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  KORVALA_EXPECTED_DPI=$dpi "$wine_run" "$checker" || failures=$((failures + 1))
done
echo "$failures of 3 failed"
[ "$failures" -eq 0 ]
