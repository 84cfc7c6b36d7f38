# The example, with a shim that kills the run at its third move.
examples=$CASE_DIR/../../../../examples
cp "$CASE_DIR/../example_cycle_translate/expected_edited.ckp" edited.ckp
cp -R "$examples/ztroot" ztroot
cc -shared -fPIC -o shim.so "$CASE_DIR/../../fixtures/rename_shim.c" -ldl
