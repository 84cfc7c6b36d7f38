cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
printf "//depot/main/... //depot/main/...\n" > map.txt
cp map.txt saved
