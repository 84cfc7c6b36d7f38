# A compressed checkpoint whose last bytes (the gzip trailer) are missing.
gzip -c "$CASE_DIR/../../fixtures/with_notes.ckp" > whole.ckp.gz
head -c -4 whole.ckp.gz > in.ckp.gz
