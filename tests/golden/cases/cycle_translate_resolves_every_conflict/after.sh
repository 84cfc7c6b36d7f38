cmp "$CASE_DIR/expected.ckp" out.ckp
cmp "$CASE_DIR/map2.expected" map2.txt
