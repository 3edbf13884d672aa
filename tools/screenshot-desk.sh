#!/usr/bin/env bash
# Takes a screenshot of the running desktop program: starts a private Xvfb, runs korvala-desk in
# the demo's Wine prefix, grabs the screen with xwd and cuts the program's window out into
# docs/korvala-desk.png. Needs a win32 build (tools/build.sh win32).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/win32/desktop/app/korvala-desk.exe
output=${1:-$root/docs/korvala-desk.png}
[ -f "$program" ] || { echo "screenshot-desk: build first (tools/build.sh win32)" >&2; exit 2; }
export KORVALA_WINEPREFIX=${KORVALA_WINEPREFIX:-$root/build/demo/wineprefix}
mkdir -p "$(dirname "$output")"

if [ -z "${KORVALA_SCREENSHOT_INNER:-}" ]; then
  export KORVALA_SCREENSHOT_INNER=1
  status=0
  xvfb-run -a -s "-screen 0 1024x400x24 -nolisten tcp" "$0" "$output" || status=$?
  "$root/tools/wine-prefix" stop
  exit $status
fi

"$root/tools/wine-run" "$program" >/dev/null 2>&1 &
program_pid=$!
trap 'kill "$program_pid" 2>/dev/null || true' EXIT
geometry=
for _ in $(seq 100); do
  if info=$(xwininfo -name "Korvala 2007" 2>/dev/null); then
    geometry=$(awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}' <<<"$info")
    [ "${geometry%%x*}" -ge 700 ] && break  # the 800-pixel band, not a first smaller size
  fi
  sleep 0.2
done
[ -n "$geometry" ] || { echo "screenshot-desk: the window did not appear" >&2; exit 1; }
sleep 1  # let the window finish painting
xwd -root -silent | /usr/bin/convert xwd:- -crop "$geometry" +repage "$output"
echo "screenshot-desk: wrote $output ($geometry)"
