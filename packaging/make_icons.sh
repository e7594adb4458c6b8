#!/bin/sh
# Redraws the desktop icons (ImageMagick 6): the window icon's motif, a colour
# ramp beside the same ramp dithered to black and white, drawn at 256 x 256 on a
# transparent ground and reduced to every hicolor size. The PNG files are kept
# in the repository, so the build does not need ImageMagick; run this after a change.
set -e
cd "$(dirname "$0")"
id=example.velkora.Tessalin

ramp='#ffe8c2-#7a1020'
convert -size 88x176 gradient:"$ramp" ramp.tmp.png
# The dithered half at half size, doubled without smoothing, so its dots stay crisp.
convert -size 44x88 gradient:"$ramp" -colorspace gray -ordered-dither o8x8 -scale 200% dots.tmp.png
convert -size 256x256 xc:none -fill '#f1faee' -stroke '#1d3557' -strokewidth 6 \
  -draw 'roundrectangle 4,4 251,251 36,36' \
  ramp.tmp.png -geometry +40+40 -composite \
  dots.tmp.png -geometry +128+40 -composite \
  -fill none -stroke '#1d3557' -strokewidth 4 -draw 'rectangle 40,40 215,215' \
  master.tmp.png

for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  convert master.tmp.png -resize "${size}x${size}" -strip -depth 8 -define png:exclude-chunk=date,time,tEXt,zTXt \
    "PNG32:icons/${size}x${size}/$id.png"
done
rm -f ./*.tmp.png
