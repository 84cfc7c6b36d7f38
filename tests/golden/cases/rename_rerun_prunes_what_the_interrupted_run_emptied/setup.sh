# The example, with the fault injector, which kills the run at its third move
# (the run prunes nothing; its rerun does).
examples=$CASE_DIR/../../../../examples
cp "$CASE_DIR/../example_cycle_translate/expected_edited.ckp" edited.ckp
cp -R "$examples/ztroot" ztroot
