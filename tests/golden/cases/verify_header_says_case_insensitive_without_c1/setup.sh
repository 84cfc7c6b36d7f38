# An edited checkpoint written with -C1 says case-insensitive in its header:
# verified as such only with -C1, a difference of the header without it.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -C1 -t edited.map -o edited.ckp checkpoint.ckp > /dev/null 2>&1
"$ZTMIGRATE" -q -C1 --verify checkpoint.ckp edited.ckp > with_c1.txt 2>&1 || echo "failed with -C1" > with_c1.txt
