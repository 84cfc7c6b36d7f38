# A have row names another file, not the same file in another case.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o good.ckp checkpoint.ckp > /dev/null 2>&1
sed '14s|//depot/main/src/util.c|//depot/main/src/utils.c|' good.ckp > edited.ckp
