cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
printf "//depot/main/... //depot/main/...\n" > in.ckp.map
cp in.ckp.map saved
