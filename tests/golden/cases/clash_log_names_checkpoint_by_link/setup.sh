cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
cp in.ckp saved
ln -s in.ckp link.log
