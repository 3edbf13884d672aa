#!/bin/sh
# Draws the busy indicator busy.gif: a ring of eight grey dots on the main window's light grey,
# one dot dark, the dark dot moving one place clockwise per frame. 16 x 16 pixels, GIF89a,
# 8 frames with delay 0 (the player's shortest pace). The generated file is committed, so the
# build does not need ImageMagick.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for frame in 0 1 2 3 4 5 6 7; do
  draw=$(awk -v lit="$frame" 'BEGIN {
    for (dot = 0; dot < 8; dot++) {
      angle = dot * 3.14159265 / 4
      x = 7.5 + 5.5 * sin(angle); y = 7.5 - 5.5 * cos(angle)
      colour = (dot == lit) ? "#404040" : "#b0b0b0"
      printf "-fill \"%s\" -draw \"circle %.1f,%.1f %.1f,%.1f\" ", colour, x, y, x + 1.4, y
    }
  }')
  eval /usr/bin/convert -size 16x16 "xc:#e6e6e6" +antialias $draw "$work/frame$frame.gif"
done
/usr/bin/convert -delay 0 -dispose None -loop 0 "$work"/frame[0-7].gif "$here/busy.gif"
