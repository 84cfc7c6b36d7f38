# A parallel output whose db.label file was lost on the way.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -O par checkpoint.ckp > /dev/null 2>&1
rm par/db.label.ckp
