cmp "$CASE_DIR/expected.ckp" out.ckp
# No conflict is left: the map holds its fixed header alone.
[[ $(wc -l < map.txt) == 25 ]]
