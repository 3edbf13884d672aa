#!/bin/sh
# Draws the busy indicator busy.gif: a ring of eight grey dots on the main window's light grey,
# one dot dark, the dark dot moving one place clockwise per frame. 16 x 16 pixels at 100 %, drawn
# anew at its size for 125, 150 and 200 % into 125/, 150/ and 200/ (20, 24 and 32 pixels).
# GIF89a, 8 frames with delay 0 (the player's shortest pace). The generated files are committed,
# so the build does not need ImageMagick.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for step in 100:16 125:20 150:24 200:32; do
  percent=${step%:*}
  side=${step#*:}
  out=$here
  if [ "$percent" != 100 ]; then
    out=$here/$percent
  fi
  mkdir -p "$out"
  for frame in 0 1 2 3 4 5 6 7; do
    draw=$(awk -v lit="$frame" -v side="$side" 'BEGIN {
      f = side / 16; centre = (side - 1) / 2
      for (dot = 0; dot < 8; dot++) {
        angle = dot * 3.14159265 / 4
        x = centre + 5.5 * f * sin(angle); y = centre - 5.5 * f * cos(angle)
        colour = (dot == lit) ? "#404040" : "#b0b0b0"
        printf "-fill \"%s\" -draw \"circle %.1f,%.1f %.1f,%.1f\" ", colour, x, y, x + 1.4 * f, y
      }
    }')
    eval /usr/bin/convert -size "${side}x$side" "xc:#e6e6e6" +antialias $draw "$work/frame$frame.gif"
  done
  /usr/bin/convert -delay 0 -dispose None -loop 0 "$work"/frame[0-7].gif "$out/busy.gif"
done
