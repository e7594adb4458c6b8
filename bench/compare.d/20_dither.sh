# Floyd-Steinberg: ours dithers all four channels (R, G, B, I) and writes each
# as 8-bit grey raw; the peers dither one grey channel into a PBM.
# Sourced by bench/compare with $CLI, $PHOTO_BMP, $PHOTO_PPM and $WORK set.
compare_row "floyd-steinberg (4 ch)" \
  "'$CLI' apply dither 2 '$PHOTO_BMP' '$WORK/ours_fs.raw'" \
  "magick" "convert '$PHOTO_PPM' -colorspace Gray -dither FloydSteinberg -monochrome '$WORK/magick_fs.pbm'" \
  "netpbm" "ppmtopgm '$PHOTO_PPM' | pamditherbw -fs > '$WORK/netpbm_fs.pbm'"
