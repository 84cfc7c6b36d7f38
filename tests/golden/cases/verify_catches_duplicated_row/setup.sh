# A db.label row appears twice.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o good.ckp checkpoint.ckp > /dev/null 2>&1
sed '17p' good.ckp > edited.ckp
