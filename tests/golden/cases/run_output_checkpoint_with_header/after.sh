cmp "$CASE_DIR/expected.ckp" out.ckp
