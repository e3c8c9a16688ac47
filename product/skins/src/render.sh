#!/bin/sh
# Regenerates every skin image from gen.py: SVG -> rsvg-convert -> PNG,
# then ImageMagick for the menu BMPs and the program icon.
# Needs python3, rsvg-convert (librsvg2-bin) and ImageMagick 6 (/usr/bin/convert).
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
SKINS=$(dirname "$HERE")
PRODUCT=$(dirname "$SKINS")
CONVERT=/usr/bin/convert
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

python3 "$HERE/gen.py" "$TMP"

for svg in "$TMP"/*.svg; do
    name=$(basename "$svg" .svg)
    case "$name" in
    *.bmp)
        rsvg-convert -o "$TMP/$name.png" "$svg"
        "$CONVERT" "$TMP/$name.png" -background '#1F2228' -alpha remove -alpha off \
            -type TrueColor BMP3:"$SKINS/$name"
        ;;
    *.ico.png)
        rsvg-convert -o "$TMP/$name" "$svg"
        ;;
    msg_nr.png|msg.png|msg2_nr.png)
        # dialogs cut out exactly-green pixels only: give them hard corners,
        # or the half-transparent edge would be blended with green
        rsvg-convert -o "$TMP/$name" "$svg"
        "$CONVERT" "$TMP/$name" -channel A -threshold 50% +channel -strip \
            -define png:compression-level=9 PNG32:"$SKINS/$name"
        ;;
    *)
        rsvg-convert -o "$TMP/$name" "$svg"
        # strip ancillary chunks (dates) so renders are repeatable; best compression
        "$CONVERT" "$TMP/$name" -define png:exclude-chunks=date,time -strip \
            -define png:compression-level=9 PNG32:"$SKINS/$name"
        ;;
    esac
done

"$CONVERT" "$TMP/appico-16.ico.png" "$TMP/appico-32.ico.png" "$TMP/appico-48.ico.png" \
    "$TMP/appico-256.ico.png" "$PRODUCT/appico.ico"

python3 "$HERE/check.py" "$SKINS"

# composite previews of the window as the program lays it out (not shipped)
python3 "$HERE/gen.py" --preview "$SKINS" "$TMP"
for p in "$TMP"/preview*.svg; do
    rsvg-convert -o "$HERE/$(basename "$p" .svg).png" "$p"
done
