# The edited checkpoint of the example, made with -o, against its original.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o edited.ckp checkpoint.ckp > /dev/null 2>&1
