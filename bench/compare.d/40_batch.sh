# A batch: 100 pictures of 1000 x 1000 to WBMP in one call working on two files
# at once, beside the same 100 files in 100 single calls. Goal: the batch takes
# at most 0.6 of the time, a ratio of 1.67 or more.
# Sourced by bench/compare with $CLI and $WORK set.
mkdir -p "$WORK/batch" "$WORK/batch_one" "$WORK/batch_many"
convert -seed 7 -size 1000x1000 plasma:steelblue-khaki -type TrueColor BMP3:"$WORK/batch/p000.bmp"
for i in $(seq -w 1 99); do cp "$WORK/batch/p000.bmp" "$WORK/batch/p0$i.bmp"; done
compare_row "batch 100 x 1 MP, -j 2" \
  "'$CLI' convert -q -j 2 -o '$WORK/batch_one' --to wbmp '$WORK'/batch/*.bmp" \
  "100 calls" "for f in '$WORK'/batch/*.bmp; do '$CLI' convert \"\$f\" '$WORK/batch_many/'\$(basename \"\$f\" .bmp).wbmp; done"
