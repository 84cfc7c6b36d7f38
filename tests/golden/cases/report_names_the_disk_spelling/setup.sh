examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" .
cp -R "$examples/ztroot" ztroot
