# Text after the end of the compressed data.
{ gzip -c "$CASE_DIR/../../fixtures/with_notes.ckp"; echo 'appended by mistake'; } > in.ckp.gz
