cmp "$CASE_DIR/map.expected" map.txt
