# A checkpoint compressed in two pieces and concatenated, as parallel
# compressors write it: both members are read.
f=$CASE_DIR/../../fixtures/with_notes.ckp
{ head -n 2 "$f" | gzip -c; tail -n 2 "$f" | gzip -c; } > in.ckp.gz
