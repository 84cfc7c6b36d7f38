cmp "$CASE_DIR/expected.ckp" out.ckp
cmp "$CASE_DIR/map.expected" map.txt
