cp "$CASE_DIR/../../fixtures/with_notes.ckp" in.ckp
