# Floyd-Steinberg: ours dithers all four channels (R, G, B, I) into four 1-bit
# WBMP files; the peers dither one grey channel into one PBM.
# Sourced by bench/compare with $CLI, $PHOTO_BMP, $PHOTO_PPM and $WORK set.
compare_row "floyd-steinberg (4 ch)" \
  "'$CLI' apply dither 2 '$PHOTO_BMP' '$WORK/ours_fs.wbmp'" \
  "netpbm" "ppmtopgm '$PHOTO_PPM' | pamditherbw -fs > '$WORK/netpbm_fs.pbm'" \
  "gm" "gm convert '$PHOTO_PPM' -colorspace gray -dither -monochrome '$WORK/gm_fs.pbm'" \
  "magick" "convert '$PHOTO_PPM' -colorspace Gray -dither FloydSteinberg -monochrome '$WORK/magick_fs.pbm'"
