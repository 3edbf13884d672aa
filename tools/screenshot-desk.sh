#!/usr/bin/env bash
# Takes a screenshot of the running desktop program: starts a private Xvfb, runs korvala-desk in
# the demo's Wine prefix, grabs the screen with xwd and cuts the program's window out into
# docs/korvala-desk.png.
# Usage: screenshot-desk.sh [--release] [--dpi N] [--high-contrast] [output.png]
#   --release        takes the release's program (build/release/korvala-desk.exe), in a prefix of
#                    its own
#   --dpi N          shows the program on a desktop of N DPI (Wine's LogPixels setting, given back
#                    after)
#   --high-contrast  shows the program as Windows does with high contrast on and the colours of
#                    Windows' "High Contrast Black" (the prefix's colours, given back after). Wine
#                    cannot switch high contrast on: this takes the test build of the program whose
#                    question for the setting is answered "on" (korvala-desk-high-contrast.exe).
# Takes the win32 build (or release), or the win64 one (release-win64) where this machine runs no
# 32-bit programs (tools/build.sh win32, win64, release or release-win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
release= dpi= high_contrast=
while [ $# -gt 0 ]; do
  case $1 in
    --release) release=1; shift ;;
    --dpi) dpi=$2; shift 2 ;;
    --high-contrast) high_contrast=1; shift ;;
    *) break ;;
  esac
done
output=${1:-$root/docs/korvala-desk.png}
build=win32
"$root/tools/runs-32bit" || build=win64
if [ -n "$release" ] && [ -n "$high_contrast" ]; then
  echo "screenshot-desk: --high-contrast takes a test build of the program, not the release's" >&2
  exit 2
fi
if [ -n "$release" ]; then
  files=release
  [ "$build" = win64 ] && files=release-win64
  program=$root/build/$files/korvala-desk.exe
  default_prefix=$root/build/$files-tree/wineprefix-screenshot
  [ -f "$program" ] || { echo "screenshot-desk: build first (tools/build.sh $files)" >&2; exit 2; }
else
  program=$root/build/$build/desktop/app/korvala-desk${high_contrast:+-high-contrast}.exe
  default_prefix=$root/build/demo/wineprefix
  [ -f "$program" ] || { echo "screenshot-desk: build first (tools/build.sh $build)" >&2; exit 2; }
fi
export KORVALA_WINEPREFIX=${KORVALA_WINEPREFIX:-$default_prefix}
export KORVALA_WINEARCH=${KORVALA_WINEARCH:-$build}
mkdir -p "$(dirname "$output")"

if [ -z "${KORVALA_SCREENSHOT_INNER:-}" ]; then
  export KORVALA_SCREENSHOT_INNER=1
  # A screen that holds the band at the DPI asked for (800 x 128 pixels at 96 DPI), and at least
  # 1280 x 400 pixels.
  band_width=$(((800 * ${dpi:-96} + 95) / 96))
  band_height=$(((128 * ${dpi:-96} + 95) / 96))
  screen_width=$((band_width + 80 > 1280 ? band_width + 80 : 1280))
  screen_height=$((band_height + 80 > 400 ? band_height + 80 : 400))
  status=0
  xvfb-run -a -s "-screen 0 ${screen_width}x${screen_height}x24 -nolisten tcp" "$0" ${release:+--release} \
    ${dpi:+--dpi "$dpi"} ${high_contrast:+--high-contrast} "$output" || status=$?
  "$root/tools/wine-prefix" stop
  exit $status
fi

desktop_key='HKCU\Control Panel\Desktop'
if [ -n "$dpi" ]; then
  earlier_dpi=$("$root/tools/wine-run" reg query "$desktop_key" /v LogPixels 2>/dev/null | tr -d '\r' |
                sed -n 's/.*LogPixels\s\+REG_DWORD\s\+//p') || true
  "$root/tools/wine-run" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
fi
give_back_dpi() {
  [ -n "$dpi" ] || return 0
  if [ -n "$earlier_dpi" ]; then
    "$root/tools/wine-run" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$earlier_dpi" /f >/dev/null 2>&1
  else
    "$root/tools/wine-run" reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1
  fi
}

# Windows' "High Contrast Black" in the colours the program draws with (and those of the caption
# buttons' edges). The wineserver reads them from the registry when its session starts.
colours_key='HKCU\Control Panel\Colors'
high_contrast_colours=("ButtonFace=0 0 0" "ButtonText=255 255 255" "HotTrackingColor=255 255 0"
  "Hilight=26 235 255" "HilightText=0 0 0" "GrayText=63 242 63" "Window=0 0 0" "WindowText=255 255 255"
  "ButtonHilight=255 255 255" "ButtonLight=192 192 192" "ButtonShadow=128 128 128" "ButtonDkShadow=255 255 255")
earlier_colours=
if [ -n "$high_contrast" ]; then
  earlier_colours=$(mktemp --suffix=.reg)
  "$root/tools/wine-run" reg export "$colours_key" "Z:${earlier_colours//\//\\}" /y >/dev/null 2>&1
  for colour in "${high_contrast_colours[@]}"; do
    "$root/tools/wine-run" reg add "$colours_key" /v "${colour%%=*}" /t REG_SZ /d "${colour#*=}" /f >/dev/null 2>&1
  done
  "$root/tools/wine-prefix" stop
fi
give_back_colours() {
  [ -n "$earlier_colours" ] || return 0
  "$root/tools/wine-run" reg import "Z:${earlier_colours//\//\\}" >/dev/null 2>&1
  rm -f "$earlier_colours"
}

"$root/tools/wine-run" "$program" >/dev/null 2>&1 &
program_pid=$!
trap 'kill "$program_pid" 2>/dev/null || true; give_back_dpi; give_back_colours' EXIT
window_geometry() {
  xwininfo -name "Korvala 2007" 2>/dev/null |
    awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
         /Width:/ {w=$NF} /Height:/ {h=$NF} END {if (w) printf "%dx%d+%d+%d", w, h, x, y}' || true
}
geometry=
for _ in $(seq 100); do
  geometry=$(window_geometry)
  [ -n "$geometry" ] && break
  sleep 0.2
done
[ -n "$geometry" ] || { echo "screenshot-desk: the window did not appear" >&2; exit 1; }
sleep 1  # let the window take its band's size and finish painting
geometry=$(window_geometry)
xwd -root -silent | /usr/bin/convert xwd:- -crop "$geometry" +repage "$output"
echo "screenshot-desk: wrote $output ($geometry)"
