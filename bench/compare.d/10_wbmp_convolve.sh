# WBMP save and the Sharpning2 convolution, beside ImageMagick and netpbm.
# Sourced by bench/compare with $CLI, $PHOTO_BMP, $PHOTO_PPM and $WORK set.
compare_row "wbmp save" \
  "'$CLI' convert '$PHOTO_BMP' '$WORK/ours.wbmp'" \
  "magick" "convert '$PHOTO_PPM' -colorspace Gray -dither FloydSteinberg -monochrome '$WORK/magick.wbmp'" \
  "netpbm" "ppmtopgm '$PHOTO_PPM' | pamditherbw -fs | pamtopnm | pbmtowbmp > '$WORK/netpbm.wbmp'"
compare_row "convolve Sharpning2 RGB" \
  "'$CLI' apply convolve 2 --channel 3 '$PHOTO_BMP' '$WORK/ours_sharp.bmp'" \
  "magick" "convert '$PHOTO_PPM' -morphology Convolve '3x3: -1,-1,-1 -1,10,-1 -1,-1,-1' '$WORK/magick_sharp.bmp'"
