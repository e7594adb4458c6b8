# Rotation by 45 degrees, 50 % reduction and the HSI conversion beside ImageMagick,
# and the wizard's various set on its own.
# Sourced by bench/compare with $CLI, $PHOTO_BMP, $PHOTO_PPM and $WORK set.
compare_row "rotate 45 (fit)" \
  "'$CLI' apply rotate 45 --fit '$PHOTO_BMP' '$WORK/ours_rot.bmp'" \
  "magick" "convert '$PHOTO_PPM' -background black -rotate 45 '$WORK/magick_rot.bmp'"
compare_row "reduce 50 %" \
  "'$CLI' apply reduce 2 '$PHOTO_BMP' '$WORK/ours_half.bmp'" \
  "magick" "convert '$PHOTO_PPM' -scale 50% '$WORK/magick_half.bmp'" \
  "netpbm" "pamscale 0.5 '$PHOTO_PPM' > '$WORK/netpbm_half.ppm'"
compare_row "HSI composite" \
  "'$CLI' apply hsi-model 3 '$PHOTO_BMP' '$WORK/ours_hsi.bmp'" \
  "magick" "convert '$PHOTO_PPM' -colorspace HSI '$WORK/magick_hsi.ppm'"
compare_row "wizard various set" \
  "'$CLI' wizard '$PHOTO_BMP' '$WORK/wizard'"
