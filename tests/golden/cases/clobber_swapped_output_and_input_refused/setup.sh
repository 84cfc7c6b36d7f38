# The administrator swaps the edited checkpoint and -o: the original
# checkpoint is named as the output. Both files stay as they were.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" checkpoint.ckp
cp "$CASE_DIR/../../fixtures/case_variants.ckp" edited.ckp
echo '//depot/main/... //depot/Main/...' > edited.map
sha256sum checkpoint.ckp edited.ckp edited.map > sums.before
