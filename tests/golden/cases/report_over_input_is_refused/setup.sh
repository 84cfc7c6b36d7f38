cp "$CASE_DIR/../../../../examples/checkpoint.ckp" in.ckp
ln in.ckp ckp.json
