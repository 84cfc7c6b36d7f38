cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
printf 'earlier map\n' > map.txt
cp map.txt saved
