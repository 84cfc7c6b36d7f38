# The example, with the fault injector, which kills the first run at its
# third move; a second run completes the rename.
examples=$CASE_DIR/../../../../examples
cp "$CASE_DIR/../example_cycle_translate/expected_edited.ckp" edited.ckp
cp -R "$examples/ztroot" ztroot
