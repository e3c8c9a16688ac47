#!/bin/sh
# Renders the setup's side picture (welcome and finish pages, 164 x 314) from
# the program icon in the skin's colours. Needs ImageMagick 6 (/usr/bin/convert).
#   packaging/wizard.sh   (writes packaging/wizard.bmp)
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
CONVERT=/usr/bin/convert
ICON="$(dirname "$HERE")/product/appico.ico[3]"
"$CONVERT" -size 164x314 gradient:'#1D2026'-'#121418' \
    \( -size 164x3 xc:'#00BEFF' \) -geometry +0+250 -composite \
    \( "$ICON" -resize 112x112 \) -geometry +26+90 -composite \
    -alpha off -type TrueColor BMP3:"$HERE/wizard.bmp"
