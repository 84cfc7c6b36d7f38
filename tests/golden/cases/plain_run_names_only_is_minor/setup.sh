cp "$CASE_DIR/../../fixtures/name_variants.ckp" in.ckp
