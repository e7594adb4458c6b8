# Rotation by 30 degrees with fit (bilinear), 50 % reduction (block means),
# 200 % magnification (pixel repetition), the HSI conversion, and the
# wizard's One Click set (ours alone).
# Sourced by bench/compare with $CLI, $PHOTO_BMP, $PHOTO_PPM and $WORK set.
compare_row "rotate 30 (fit)" \
  "'$CLI' apply rotate 30 --fit '$PHOTO_BMP' '$WORK/ours_rot.bmp'" \
  "vips" "vips rotate '$PHOTO_PPM' '$WORK/vips_rot.ppm' 30 --interpolate bilinear" \
  "gm" "gm convert '$PHOTO_PPM' -background black -rotate 30 '$WORK/gm_rot.ppm'" \
  "magick" "convert '$PHOTO_PPM' -background black -rotate 30 '$WORK/magick_rot.ppm'"
compare_row "reduce 50 %" \
  "'$CLI' apply reduce 2 '$PHOTO_BMP' '$WORK/ours_half.bmp'" \
  "vips" "vips shrink '$PHOTO_PPM' '$WORK/vips_half.ppm' 2 2" \
  "netpbm" "pamscale 0.5 '$PHOTO_PPM' > '$WORK/netpbm_half.ppm'" \
  "gm" "gm convert '$PHOTO_PPM' -scale 50% '$WORK/gm_half.ppm'" \
  "magick" "convert '$PHOTO_PPM' -scale 50% '$WORK/magick_half.ppm'"
compare_row "magnify 200 %" \
  "'$CLI' apply magnify 2 '$PHOTO_BMP' '$WORK/ours_double.bmp'" \
  "vips" "vips zoom '$PHOTO_PPM' '$WORK/vips_double.ppm' 2 2" \
  "netpbm" "pamenlarge 2 '$PHOTO_PPM' > '$WORK/netpbm_double.ppm'" \
  "gm" "gm convert '$PHOTO_PPM' -scale 200% '$WORK/gm_double.ppm'" \
  "magick" "convert '$PHOTO_PPM' -scale 200% '$WORK/magick_double.ppm'"
compare_row "HSI composite" \
  "'$CLI' apply hsi-model 3 '$PHOTO_BMP' '$WORK/ours_hsi.bmp'" \
  "gm" "gm convert '$PHOTO_PPM' -colorspace HSL '$WORK/gm_hsi.ppm'" \
  "magick" "convert '$PHOTO_PPM' -colorspace HSI '$WORK/magick_hsi.ppm'"
compare_row "wizard One Click (15)" \
  "'$CLI' wizard '$PHOTO_BMP' '$WORK/wizard'"
