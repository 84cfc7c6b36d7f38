# The conflict map goes into a directory whose sync fails at commit.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
mkdir outdir
