# The same cut checkpoint, analysed: no verdict, no success.
cp "$CASE_DIR/../../fixtures/with_notes.ckp" whole.ckp
head -n 3 whole.ckp > in.ckp
