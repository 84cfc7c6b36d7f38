cp "$CASE_DIR/../../../../examples/checkpoint.ckp" .
