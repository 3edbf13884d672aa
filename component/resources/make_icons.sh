#!/usr/bin/env bash
# Draws the library's two small icons (never shown; they give the file an identity in Explorer).
# Run once by hand; the .ico files are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
/usr/bin/convert -size 16x16 xc:'#1d4e89' -fill '#f2c14e' -draw 'rectangle 3,3 12,12' \
  -fill '#1d4e89' -draw 'rectangle 6,6 9,9' engine.ico
/usr/bin/convert -size 16x16 xc:'#2a7f62' -fill white -draw 'circle 8,8 8,3' \
  -fill '#2a7f62' -draw 'rectangle 7,5 8,11' scan.ico
