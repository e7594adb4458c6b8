# The WBMP save and the Sharpning2 convolution. Peers write their cheapest
# uncompressed format (PPM, PBM) or WBMP; ours writes what the writers
# specify (WBMP, a 32-bit BMP).
# Sourced by bench/compare with $CLI, $PHOTO_BMP, $PHOTO_PPM, $SHARP_MAT and $WORK set.

# vips: grey, the 3 x 3 integer convolution, threshold, PBM, then pbmtowbmp.
vips_wbmp="vips colourspace '$PHOTO_PPM' '$WORK/v_grey.v' b-w \
 && vips conv '$WORK/v_grey.v' '$WORK/v_sharp.v' '$SHARP_MAT' --precision integer \
 && vips relational_const '$WORK/v_sharp.v' '$WORK/v_bw.v' moreeq 128 \
 && vips ppmsave '$WORK/v_bw.v' '$WORK/v_bw.pbm' --format pbm --bitdepth 1 \
 && pbmtowbmp '$WORK/v_bw.pbm' > '$WORK/vips.wbmp'"
sharp_args="-1,-1,-1,-1,10,-1,-1,-1,-1"
compare_row "wbmp save" \
  "'$CLI' convert '$PHOTO_BMP' '$WORK/ours.wbmp'" \
  "vips" "$vips_wbmp" \
  "netpbm fs" "ppmtopgm '$PHOTO_PPM' | pamditherbw -fs | pamtopnm | pbmtowbmp > '$WORK/netpbm.wbmp'" \
  "netpbm conv" "ppmtopgm '$PHOTO_PPM' | pnmconvol -matrix='-1,-1,-1;-1,10,-1;-1,-1,-1' 2>/dev/null \
 | pamditherbw -threshold -value 0.5 | pamtopnm | pbmtowbmp > '$WORK/netpbm_conv.wbmp'" \
  "gm" "gm convert '$PHOTO_PPM' -colorspace gray -convolve $sharp_args -threshold 50% 'wbmp:$WORK/gm.wbmp'" \
  "magick" "convert '$PHOTO_PPM' -colorspace Gray -morphology Convolve '3x3: -1,-1,-1 -1,10,-1 -1,-1,-1' \
 -threshold 50% 'wbmp:$WORK/magick.wbmp'"
compare_row "convolve Sharpning2 RGB" \
  "'$CLI' apply convolve 2 --channel 3 '$PHOTO_BMP' '$WORK/ours_sharp.bmp'" \
  "vips" "vips conv '$PHOTO_PPM' '$WORK/vips_sharp.ppm' '$SHARP_MAT' --precision integer" \
  "gm" "gm convert '$PHOTO_PPM' -convolve $sharp_args '$WORK/gm_sharp.ppm'" \
  "magick" "convert '$PHOTO_PPM' -morphology Convolve '3x3: -1,-1,-1 -1,10,-1 -1,-1,-1' '$WORK/magick_sharp.ppm'"
