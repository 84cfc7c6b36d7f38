# A checkpoint cut after its header note: the records read so far must not
# leave as an edited checkpoint that ends with a trailer of its own.
cp "$CASE_DIR/../../fixtures/with_notes.ckp" whole.ckp
head -n 3 whole.ckp > in.ckp
cp in.ckp in.before
