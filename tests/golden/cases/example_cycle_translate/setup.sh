# The committed example and its edited map, copied so that the run never touches them.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
