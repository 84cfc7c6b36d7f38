# Case variants of directories and files, a file and a directory of one
# name, and a directory whose name holds a space.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
