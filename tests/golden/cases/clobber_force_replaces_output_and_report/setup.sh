# With -f an existing -o, -c and --report are replaced, each whole.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
echo old > out.ckp
echo old > conflicts.map
echo old > report.csv
