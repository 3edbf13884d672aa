#!/bin/sh
# Draws the main window's images for each scale the band is shown at, 100, 125, 150 and 200 %:
# the header band and its tile, the skinned buttons (normal and pressed), the progress fill and
# the busy caption. Every scale is drawn from the same drawing at its own size, never enlarged
# from another; the window buttons' glyphs are drawn from whole-pixel bars, as GDI would draw
# them, so that they stay sharp at every scale. The 100 % images lie in this folder, the others in
# 125/, 150/ and 200/ under the same names. Sizes at 100 % are those of the controls at the dialog
# font's usual 1.5 x 1.625 pixels per dialog unit; the other scales round sizes to the nearest
# pixel and positions down, as the program's band layout does. Bitmaps are uncompressed BMP3 of
# at most 256 colours: the gradients and the text need no more, and the 200 % header takes a
# third of its 24-bit size. Last the program icon, in every size from 16 to 64 pixels.
# The outputs are committed, so the build does not need ImageMagick.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
im=/usr/bin/convert
font=DejaVu-Sans
bold=DejaVu-Sans-Bold
red="#8b1020"
darkred="#5e0a15"
grey="#e6e6e6"
frame="#f0c8cc"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The scale being drawn, numerator / denominator, and the folder its images go to.
num=1
den=1
out=$here

size() { echo $((($1 * num + den / 2) / den)); }
at() { echo $(($1 * num / den)); }
points() { awk -v v="$1" -v n="$num" -v d="$den" 'BEGIN { printf "%g", v * n / d }'; }
# Writes the image in $work/image.miff to $out/<file> as an uncompressed BMP3 of at most 256
# colours. Only anti-aliased text brings more: the text's colours are reduced, while every colour
# of the image's first column (the band's gradient, which the neighbouring images continue) stays
# exact, so that no banding shows and the pieces of the band meet without a seam.
save() { # file
  $im "$work/image.miff" -crop "1x$($im "$work/image.miff" -format %h info:)+0+0" +repage -unique-colors \
    "$work/kept.miff"
  kept=$($im "$work/kept.miff" -format %w info:)
  $im "$work/image.miff" +dither -colors $((256 - kept)) -unique-colors "$work/rest.miff"
  $im "$work/kept.miff" "$work/rest.miff" +append "$work/palette.miff"
  $im "$work/image.miff" +dither -remap "$work/palette.miff" -type Palette -compress none "BMP3:$out/$1"
}

# A filled rectangle from (x0, y0) to (x1, y1), both corners included, for -draw.
bar() { echo "rectangle $1,$2 $3,$4"; }

# Header: a dark red band with the product name over a light grey band, 835 x 137 at 100 %, and
# its continuation, the header's last column. The split lies at 56 pixels, between the link row
# and the button row.
header() {
  width=$(size 835)
  height=$(size 137)
  split=$(at 56)
  $im -size "${width}x$split" "gradient:$red-$darkred" \( -size "${width}x$((height - split))" "xc:$grey" \) -append \
    -fill white -font "$bold" -pointsize "$(points 30)" -annotate "+$(points 16)+$(points 40)" Korvala \
    -fill "$frame" -font "$font" -pointsize "$(points 11)" -annotate "+$(points 150)+$(points 38)" \
    "drivers and programs, up to date" \
    +antialias -fill "#b0b0b0" -draw "$(bar 0 "$split" "$width" $((split + $(size 2) - 1)))" \
    "$work/image.miff"
  save header_1000.bmp
  $im "$out/header_1000.bmp" -crop "1x$height+$((width - 1))+0" +repage "$work/image.miff"
  save header_tile_211.bmp
}

# Push button: label on a rounded face; pressed is darker and shifted by one pixel.
button() { # file width height label face text pressed
  width=$(size "$2")
  height=$(size "$3")
  line=$(size 1)
  # The outline's middle, so that the whole line lies inside the image.
  corners=$(awk -v w="$width" -v h="$height" -v l="$line" \
    'BEGIN { e = (l - 1) / 2; printf "%g,%g %g,%g", e, e, w - 1 - e, h - 1 - e }')
  shift=$(($7 * $(size 1)))
  $im -size "${width}x$height" "xc:$grey" -fill "$5" -stroke "#5a5a5a" -strokewidth "$line" \
    -draw "roundrectangle $corners $(points 4),$(points 4)" \
    -stroke none -fill "$6" -font "$bold" -pointsize "$(points 9)" -gravity center -annotate "+$shift+$shift" "$4" \
    "$work/image.miff"
  save "$1"
}

# A piece of the red band's gradient: width, height, top row.
band() {
  echo "-size $1x$(at 56) gradient:$red-$darkred -crop $1x$2+0+$3 +repage"
}

# Window buttons on the red band (top at 3 pixels): a glyph in a framed square, 24 x 24 at 100 %.
# The glyph fills a centred box of 10 pixels with strokes of 2 at 100 %.
window_button() { # file glyph face
  side=$(size 24)
  margin=$(at 2)
  line=$(size 1)
  far=$((side - 1 - margin))
  face=
  if [ "$3" != none ]; then
    face="fill '$3' $(bar "$margin" "$margin" "$far" "$far")"
  fi
  $im $(band "$side" "$side" "$(at 3)") +antialias -draw "$face fill '$frame'
    $(bar "$margin" "$margin" "$far" $((margin + line - 1))) $(bar "$margin" $((far - line + 1)) "$far" "$far")
    $(bar "$margin" "$margin" $((margin + line - 1)) "$far") $(bar $((far - line + 1)) "$margin" "$far" "$far")
    fill white $("$2_glyph")" "$work/image.miff"
  save "$1"
}
glyph_box() { # sets box (side of the glyph's box), stroke and first (its first row and column)
  box=$((2 * $(size 5)))
  stroke=$(size 2)
  first=$(((side - box) / 2))
  last=$((first + box - 1))
}
close_glyph() {
  glyph_box
  i=0
  while [ $i -le $((box - stroke)) ]; do
    printf '%s %s ' "$(bar $((first + i)) $((first + i)) $((first + i + stroke - 1)) $((first + i + stroke - 1)))" \
      "$(bar $((last - i - stroke + 1)) $((first + i)) $((last - i)) $((first + i + stroke - 1)))"
    i=$((i + 1))
  done
}
minimise_glyph() {
  glyph_box
  bar "$first" $((last - stroke + 1)) "$last" "$last"
}
# A square frame of the given corner and side, strokes as wide as the glyph's.
square() {
  echo "$(bar "$1" "$2" $(($1 + $3 - 1)) $(($2 + stroke - 1))) $(bar "$1" $(($2 + $3 - stroke)) $(($1 + $3 - 1)) $(($2 + $3 - 1)))" \
    "$(bar "$1" "$2" $(($1 + stroke - 1)) $(($2 + $3 - 1))) $(bar $(($1 + $3 - stroke)) "$2" $(($1 + $3 - 1)) $(($2 + $3 - 1)))"
}
maximise_glyph() {
  glyph_box
  square "$first" "$first" "$box"
}
# A front square at the lower left and the top and right edges of a square behind it.
restore_glyph() {
  glyph_box
  offset=$(size 3)
  front=$((box - offset))
  echo "$(square "$first" $((first + offset)) "$front")" \
    "$(bar $((first + offset)) "$first" "$last" $((first + stroke - 1)))" \
    "$(bar $((last - stroke + 1)) "$first" "$last" $((first + front - 1)))"
}

# Link-style buttons on the red band (top at 10 pixels): text only, underlined when pressed.
link() { # file width label underline
  width=$(size "$2")
  underline=
  if [ "$4" = yes ]; then
    underline="$(bar "$(at 1)" "$(at 13)" $((width - 1 - $(at 1))) $(($(at 13) + $(size 1) - 1)))"
  fi
  $im $(band "$width" "$(size 16)" "$(at 10)") -fill white -font "$font" -pointsize "$(points 9)" -gravity west \
    -annotate "+$(points 1)+0" "$3" +antialias -draw "${underline:-point -1,-1}" "$work/image.miff"
  save "$1"
}

draw_step() {
  header

  button start_132.bmp 57 21 START "#f4f4f4" "$red" 0
  button start_pressed_135.bmp 57 21 START "#c8c8c8" "$darkred" 1
  button stop_136.bmp 57 21 STOP "#f4f4f4" "$red" 0
  button stop_pressed_137.bmp 57 21 STOP "#c8c8c8" "$darkred" 1
  button options_134.bmp 65 21 OPTIONS "#f4f4f4" "#303030" 0
  button options_pressed_133.bmp 65 21 OPTIONS "#c8c8c8" "#101010" 1

  window_button close_139.bmp close none
  window_button close_pressed_138.bmp close "$darkred"
  window_button minimise_162.bmp minimise none
  window_button minimise_pressed_161.bmp minimise "$darkred"
  window_button maximise_1006.bmp maximise none
  window_button maximise_pressed_1005.bmp maximise "$darkred"
  window_button restore_1008.bmp restore none
  window_button restore_pressed_1007.bmp restore "$darkred"

  link help_1003.bmp 33 Help no
  link help_pressed_1002.bmp 33 Help yes
  link about_164.bmp 38 About no
  link about_pressed_1001.bmp 38 About yes
  link downloads_166.bmp 98 "My Downloads" no
  link downloads_pressed_1004.bmp 98 "My Downloads" yes

  # Progress fill: a vertical red gradient that tiles horizontally.
  $im -size "$(size 8)x$(size 16)" "gradient:#d84050-$red" "$work/image.miff"
  save progress_fill_130.bmp

  # Busy caption on the light grey band.
  $im -size "$(size 140)x$(size 13)" "xc:$grey" -fill "#404040" -font "$font" -pointsize "$(points 8)" \
    -gravity west -annotate +0+0 "Processing scan data..." "$work/image.miff"
  save busy_caption_160.bmp
}

for step in 100:1:1 125:5:4 150:3:2 200:2:1; do
  IFS=: read -r percent num den <<EOF
$step
EOF
  out=$here
  if [ "$percent" != 100 ]; then
    out=$here/$percent
  fi
  mkdir -p "$out"
  draw_step
done

# Program icon: a white K on a dark red rounded square, for the small and large icons of 100 to
# 200 %.
cd "$here"
sizes="64 48 40 32 24 20 16"
for side in $sizes; do
  $im -size "${side}x$side" xc:none -fill "$red" \
    -draw "roundrectangle 0,0 $((side - 1)),$((side - 1)) $((side / 6)),$((side / 6))" \
    -fill white -font "$bold" -pointsize $((side * 2 / 3)) -gravity center -annotate +0+0 K \
    "PNG32:icon$side.png"
done
$im $(for side in $sizes; do echo "icon$side.png"; done) -compress none korvala_153.ico
for side in $sizes; do rm -f "icon$side.png"; done
