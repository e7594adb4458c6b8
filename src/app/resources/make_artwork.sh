#!/bin/sh
# Redraws the program's artwork (ImageMagick 6). The PNG files are kept in the
# repository, so the build does not need ImageMagick; run this after a change.
set -e
cd "$(dirname "$0")"
FONT=DejaVu-Sans
BOLD=DejaVu-Sans-Bold

# A small ordered-dither motif: the program's theme, a picture turning into dots.
convert -size 8x8 pattern:gray50 -scale 400% dots.tmp.png

# Start picture (splash screen and about box), 420 x 260: a colour ramp and
# the same ramp reduced to black and white dots.
convert -size 128x128 gradient:'#e63946-#f4a261' -rotate 90 ramp.tmp.png
convert ramp.tmp.png -colorspace gray -ordered-dither o8x8 -crop 64x128+64+0 +repage ramp_bw.tmp.png
convert -size 420x260 gradient:'#1d3557-#457b9d' \
  \( -size 160x160 xc:none -fill '#f1faee' -draw 'roundrectangle 0,0 159,159 18,18' \) -geometry +26+50 -composite \
  \( ramp.tmp.png -crop 64x128+0+0 +repage \) -geometry +42+66 -composite \
  ramp_bw.tmp.png -geometry +106+66 -composite \
  -font $BOLD -pointsize 40 -fill '#f1faee' -annotate +205+110 'Tessalin' \
  -font $FONT -pointsize 13 -fill '#a8dadc' -annotate +207+136 'Pictures into WBMP bitmaps' \
  start.png

# Frame background tile, 64 x 64: quiet grey with a faint dot grid.
convert -size 64x64 xc:'#8d99ae' -fill '#97a3b7' \
  -draw 'circle 16,16 18,16' -draw 'circle 48,48 50,48' background_tile.png

# Wizard page pictures, 120 x 200.
page() { # name colour1 colour2 label
  convert -size 120x200 gradient:"$2-$3" -fill none -stroke '#f1faee' -strokewidth 2 \
    -draw 'roundrectangle 6,6 113,193 10,10' -stroke none \
    -font $BOLD -pointsize 15 -fill '#f1faee' -gravity south -annotate +0+14 "$4" \
    -gravity northwest "$1.tmp.png"
}
page mode1 '#2a9d8f' '#1d3557' 'One Click'
convert mode1.tmp.png -fill '#f1faee' -draw 'circle 60,80 60,40' -fill '#2a9d8f' -draw 'polygon 48,60 48,100 82,80' wizard_mode1.png
page mode2 '#e76f51' '#1d3557' 'Detail'
convert mode2.tmp.png -fill '#f1faee' \
  -draw 'roundrectangle 28,38 92,58 5,5' -draw 'roundrectangle 28,70 92,90 5,5' -draw 'roundrectangle 28,102 92,122 5,5' \
  -font $BOLD -pointsize 14 -fill '#e76f51' -annotate +55+54 '1' -annotate +55+86 '2' -annotate +55+118 '3' wizard_mode2.png
page type '#457b9d' '#1d3557' 'Source'
convert type.tmp.png -fill '#f1faee' -draw 'rectangle 22,34 98,100' -fill '#2a9d8f' -draw 'polygon 22,100 50,60 72,86 84,72 98,100' \
  -fill '#f4a261' -draw 'circle 80,50 80,42' -fill '#f1faee' -draw 'rectangle 44,112 76,144' \
  -fill '#e63946' -draw 'rectangle 50,118 70,138' wizard_type.png
page scale '#6d597a' '#1d3557' 'Scale'
convert scale.tmp.png -fill none -stroke '#f1faee' -strokewidth 2 \
  -draw 'rectangle 20,30 100,110' -draw 'rectangle 34,44 86,96' -draw 'rectangle 48,58 72,82' \
  -draw 'line 20,30 48,58' -draw 'line 100,110 72,82' wizard_scale.png
page output '#264653' '#1d3557' 'Result'
convert output.tmp.png \( dots.tmp.png -crop 32x32+0+0 +repage -scale 200% \) -geometry +10+30 -composite \
  \( -size 32x32 pattern:checkerboard -scale 100% \) -geometry +78+30 -composite \
  \( -size 32x32 pattern:gray25 \) -geometry +78+70 -composite \
  \( -size 32x32 pattern:hs_diagcross \) -geometry +10+100 -composite \
  \( -size 32x32 pattern:hs_cross \) -geometry +44+100 -composite \
  \( -size 32x32 pattern:gray75 \) -geometry +78+110 -composite wizard_output.png

# Tool-bar icons, 24 x 24 on a transparent ground.
icon() { name=$1; shift; convert -size 24x24 xc:none "$@" "icon_$name.png"; }
icon open -fill '#f4a261' -stroke '#8a5a2b' -draw 'polygon 2,6 9,6 11,8 21,8 21,20 2,20' \
  -fill '#ffd8a8' -draw 'polygon 5,11 23,11 20,20 2,20'
icon save -fill '#457b9d' -stroke '#1d3557' -draw 'roundrectangle 3,3 20,20 2,2' -stroke none \
  -fill '#f1faee' -draw 'rectangle 7,4 16,10' -fill '#1d3557' -draw 'rectangle 13,5 15,9' -fill '#f1faee' -draw 'rectangle 6,14 17,20'
icon wizard -stroke '#6d4c1d' -strokewidth 3 -draw 'line 4,20 15,9' -stroke none -fill '#ffb703' \
  -draw 'polygon 17,2 18.5,6 22,7 18.5,8 17,12 15.5,8 12,7 15.5,6' -draw 'circle 7,6 8,6' -draw 'circle 21,16 22,16'
icon select -fill none -stroke '#1d3557' -strokewidth 1 -draw 'stroke-dasharray 3 2 rectangle 3,3 20,20'
icon cut -fill none -stroke '#1d3557' -strokewidth 2 -draw 'circle 7,18 7,15' -draw 'circle 16,18 16,15' \
  -draw 'line 8,15 15,3' -draw 'line 15,15 8,3'
icon copy -fill '#f1faee' -stroke '#1d3557' -draw 'rectangle 3,3 14,16' -draw 'rectangle 9,8 20,21'
icon paste -fill '#c89f6a' -stroke '#6d4c1d' -draw 'roundrectangle 3,4 17,21 2,2' -fill '#adb5bd' -draw 'rectangle 7,2 13,6' \
  -fill '#f1faee' -stroke '#1d3557' -draw 'rectangle 10,10 21,22'
for n in 1 2 3 4; do
  icon process$n -fill '#2a9d8f' -stroke '#1d3557' -draw 'roundrectangle 1,1 22,22 4,4' -stroke none \
    -font $BOLD -pointsize 15 -fill '#f1faee' -gravity center -annotate +0+0 "$n"
done
icon help -fill '#457b9d' -stroke '#1d3557' -draw 'circle 11.5,11.5 11.5,1.5' -stroke none \
  -font $BOLD -pointsize 15 -fill '#f1faee' -gravity center -annotate +0+0 '?'
icon exit -fill '#adb5bd' -stroke '#495057' -draw 'rectangle 3,2 13,21' -stroke '#e63946' -strokewidth 2 \
  -draw 'line 9,12 21,12' -draw 'line 17,8 21,12' -draw 'line 17,16 21,12'

# Application icon, 64 x 64.
convert start.png -crop 160x160+26+50 +repage -resize 64x64 app_icon.png

rm -f ./*.tmp.png
# No time stamps, so that an unchanged picture stays byte-identical.
for f in *.png; do convert "$f" -strip -define png:exclude-chunk=date,time,tEXt,zTXt "$f"; done
