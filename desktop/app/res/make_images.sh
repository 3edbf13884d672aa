#!/bin/sh
# Draws the main window's images: the header band and its tile, the skinned buttons (normal and
# pressed), the progress fill, the busy caption and the program icon. Bitmaps are written as
# 24-bit BMP (BMP3), sized to their controls at the dialog font's usual 1.5 x 1.625 pixels per
# dialog unit. The outputs are committed, so the build does not need ImageMagick.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
im=/usr/bin/convert
font=DejaVu-Sans
bold=DejaVu-Sans-Bold
red="#8b1020"
darkred="#5e0a15"
grey="#e6e6e6"
cd "$here"

# Header: a dark red band with the product name over a light grey band; 835 x 137 and its
# 1 x 137 continuation. The split lies at 56 pixels, between the link row and the button row.
$im -size 835x56 "gradient:$red-$darkred" \
  \( -size 835x81 "xc:$grey" \) -append \
  -fill white -font "$bold" -pointsize 30 -annotate +16+40 "Korvala" \
  -fill "#f0c8cc" -font "$font" -pointsize 11 -annotate +150+38 "drivers and programs, up to date" \
  -fill "#b0b0b0" -draw "rectangle 0,56 835,57" \
  BMP3:header_1000.bmp
$im -size 1x56 "gradient:$red-$darkred" \( -size 1x81 "xc:$grey" \) -append \
  -fill "#b0b0b0" -draw "point 0,56" -draw "point 0,57" BMP3:header_tile_211.bmp

# Push button: label on a rounded face; pressed is darker and shifted by one pixel.
button() { # file width height label face text offset
  $im -size "$2x$3" "xc:$grey" -fill "$5" -stroke "#5a5a5a" \
    -draw "roundrectangle 0,0 $(($2 - 1)),$(($3 - 1)) 4,4" -stroke none \
    -fill "$6" -font "$bold" -pointsize 9 -gravity center -annotate "+$7+$7" "$4" "BMP3:$1"
}
button start_132.bmp 57 21 START "#f4f4f4" "$red" 0
button start_pressed_135.bmp 57 21 START "#c8c8c8" "$darkred" 1
button stop_136.bmp 57 21 STOP "#f4f4f4" "$red" 0
button stop_pressed_137.bmp 57 21 STOP "#c8c8c8" "$darkred" 1
button options_134.bmp 65 21 OPTIONS "#f4f4f4" "#303030" 0
button options_pressed_133.bmp 65 21 OPTIONS "#c8c8c8" "#101010" 1

# A piece of the red band's gradient: width, height, top row.
band() {
  echo "-size $1x56 gradient:$red-$darkred -crop $1x$2+0+$3 +repage"
}

# Window buttons on the red band (top at 3 pixels): a glyph on a square face, 24 x 24.
window_button() { # file glyph-draw face
  $im $(band 24 24 3) -fill "$3" -stroke "#f0c8cc" -draw "rectangle 2,2 21,21" \
    -stroke white -strokewidth 2 -fill none -draw "$2" "BMP3:$1"
}
close_glyph="line 8,8 15,15 line 15,8 8,15"
minimise_glyph="line 7,16 16,16"
maximise_glyph="rectangle 7,7 16,16"
restore_glyph="rectangle 6,9 13,16 line 10,6 17,6 line 17,6 17,13"
window_button close_139.bmp "$close_glyph" none
window_button close_pressed_138.bmp "$close_glyph" "$darkred"
window_button minimise_162.bmp "$minimise_glyph" none
window_button minimise_pressed_161.bmp "$minimise_glyph" "$darkred"
window_button maximise_1006.bmp "$maximise_glyph" none
window_button maximise_pressed_1005.bmp "$maximise_glyph" "$darkred"
window_button restore_1008.bmp "$restore_glyph" none
window_button restore_pressed_1007.bmp "$restore_glyph" "$darkred"

# Link-style buttons on the red band (top at 10 pixels): text only, underlined when pressed.
link() { # file width label underline
  $im $(band "$2" 16 10) -fill white -font "$font" -pointsize 9 -gravity west \
    -annotate +1+0 "$3" "BMP3:$1"
  if [ "$4" = yes ]; then
    $im "$1" -fill white -draw "line 1,13 $(($2 - 2)),13" "BMP3:$1"
  fi
}
link help_1003.bmp 33 Help no
link help_pressed_1002.bmp 33 Help yes
link about_164.bmp 38 About no
link about_pressed_1001.bmp 38 About yes
link downloads_166.bmp 98 "My Downloads" no
link downloads_pressed_1004.bmp 98 "My Downloads" yes

# Progress fill: a vertical red gradient that tiles horizontally.
$im -size 8x16 "gradient:#d84050-$red" BMP3:progress_fill_130.bmp

# Busy caption on the light grey band.
$im -size 140x13 "xc:$grey" -fill "#404040" -font "$font" -pointsize 8 -gravity west \
  -annotate +0+0 "Processing scan data..." BMP3:busy_caption_160.bmp

# Program icon: a white K on a dark red rounded square, 32 and 16 pixels.
for size in 32 16; do
  $im -size "${size}x$size" xc:none -fill "$red" \
    -draw "roundrectangle 0,0 $((size - 1)),$((size - 1)) $((size / 6)),$((size / 6))" \
    -fill white -font "$bold" -pointsize $((size * 2 / 3)) -gravity center -annotate +0+0 K \
    "PNG32:icon$size.png"
done
$im icon32.png icon16.png -compress none korvala_153.ico
rm -f icon32.png icon16.png
