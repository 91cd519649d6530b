#!/bin/sh
# Renders the picture set from svg/ into image/ and writes drui.qrc.
# Every svg/NAME.svg becomes image/NAME.png at the size its <svg> element names and
# image/NAME@2x.png at twice that size; svg/logo.svg also becomes image/logo.ico.
# Needs rsvg-convert (librsvg2-bin) and python3. The build uses the committed results.
set -eu
export LC_ALL=C
cd "$(dirname "$0")"

mkdir -p image
rm -f image/*.png image/*.ico

for svg in svg/*.svg; do
    name=$(basename "$svg" .svg)
    rsvg-convert -o "image/$name.png" "$svg"
    rsvg-convert -z 2 -o "image/$name@2x.png" "$svg"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for size in 16 32 48 256; do
    rsvg-convert -w "$size" -h "$size" -o "$tmp/logo-$size.png" svg/logo.svg
done
python3 make_ico.py image/logo.ico "$tmp"/logo-16.png "$tmp"/logo-32.png \
    "$tmp"/logo-48.png "$tmp"/logo-256.png

{
    echo '<!DOCTYPE RCC><RCC version="1.0">'
    echo '<qresource prefix="/image">'
    for file in image/*; do
        echo "    <file alias=\"$(basename "$file")\">$file</file>"
    done
    echo '</qresource>'
    echo '</RCC>'
} > drui.qrc
