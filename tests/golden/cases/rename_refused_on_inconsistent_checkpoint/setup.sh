# The unedited example: guide.txt is spelled two ways.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" checkpoint.ckp
cp -R "$examples/ztroot" ztroot
