cp "$CASE_DIR/../../../../examples/consistent.ckp" .
