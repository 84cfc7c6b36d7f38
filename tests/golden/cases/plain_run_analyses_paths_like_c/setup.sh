# The committed example, copied so that the run never touches it.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" .
