# Two revisions of db.rev change places.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o good.ckp checkpoint.ckp > /dev/null 2>&1
awk 'NR == 24 { held = $0; next } { print } NR == 25 { print held }' good.ckp > edited.ckp
