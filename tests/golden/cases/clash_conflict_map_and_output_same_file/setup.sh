cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
