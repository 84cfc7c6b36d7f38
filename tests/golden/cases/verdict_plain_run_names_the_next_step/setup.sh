cp "$CASE_DIR/../../../../examples/inconsistent.ckp" .
