# The checkpoint is untouched.
cmp in.ckp "$CASE_DIR/../../../../examples/checkpoint.ckp"
