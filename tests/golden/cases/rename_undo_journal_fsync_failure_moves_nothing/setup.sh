# The edited checkpoint of the translate case and a copy of the example's
# archive tree.
examples=$CASE_DIR/../../../../examples
cp "$CASE_DIR/../example_cycle_translate/expected_edited.ckp" edited.ckp
cp -R "$examples/ztroot" ztroot
