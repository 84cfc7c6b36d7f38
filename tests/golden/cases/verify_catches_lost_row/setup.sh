# The edited checkpoint lost a row: the fifth of db.rev.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o good.ckp checkpoint.ckp > /dev/null 2>&1
sed '25d' good.ckp > edited.ckp
