#!/bin/sh
# Makes the small images the control tests compile into their programs. The generated files are
# committed, so the build does not need ImageMagick.
set -eu
cd "$(dirname "$0")"
convert=/usr/bin/convert
for pair in normal:red pressed:blue hover:lime focus:yellow disabled:#808080; do
  $convert -size 16x16 "xc:${pair#*:}" -type truecolor "BMP3:${pair%%:*}.bmp"
done
# A mask: black where the button shows, white (the key colour) elsewhere.
$convert -size 12x10 xc:white -fill black -draw "rectangle 2,1 9,8" -draw "point 0,9" \
  -type truecolor BMP3:mask.bmp
$convert -size 12x10 xc:white -type truecolor BMP3:white_mask.bmp
$convert -size 4x4 "xc:#008000" -type truecolor BMP3:fill.bmp
# GIFs: one frame; two frames of ten seconds each.
$convert -size 16x16 "xc:#00ff00" one_frame.gif
$convert -delay 1000 -size 16x16 xc:red xc:blue -loop 0 long_delay.gif
