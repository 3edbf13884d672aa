#!/usr/bin/env bash
# Runs desk_dpi_test.exe at 96, 120, 144, 168 and 192 DPI. The DPI is Wine's LogPixels setting
# (HKCU "Control Panel\Desktop"), which every program of the prefix reads when it starts; so these
# runs have a prefix of their own beside the build's test prefix, with its own wineserver, and no
# other test ever sees a changed DPI. They also have a screen of their own (Xvfb), wide enough for
# the band at 192 DPI (1,600 pixels), whose pixels the test compares with the program's images.
# Usage: desk_dpi_test.sh <wine-run> <desk_dpi_test.exe>
set -uo pipefail
if [ -z "${KORVALA_DPI_TEST_SCREEN:-}" ]; then
  export KORVALA_DPI_TEST_SCREEN=1
  exec xvfb-run -a -s "-screen 0 1700x1000x24 -nolisten tcp" "$0" "$@"
fi
wine_run=$(realpath "$1") checker=$(realpath "$2")
tools=$(dirname "$wine_run")
. "$tools/wine-env"
export KORVALA_WINEPREFIX=$KORVALA_WINEPREFIX-dpi
. "$tools/wine-env"
trap '"$tools/wine-prefix" stop' EXIT
"$tools/wine-prefix" ensure

failures=0
for dpi in 96 120 144 168 192; do
  echo "== $dpi DPI"
  "$wine_loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  KORVALA_EXPECTED_DPI=$dpi "$wine_run" "$checker" || failures=$((failures + 1))
done
echo "$failures of 5 failed"
[ "$failures" -eq 0 ]
