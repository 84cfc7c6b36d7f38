# -c naming a checkpoint (here another one than the input) is refused.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
cp "$CASE_DIR/../../fixtures/case_variants.ckp" orig.ckp
sha256sum in.ckp orig.ckp > sums.before
