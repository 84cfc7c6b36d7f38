cmp "$CASE_DIR/map.expected" map.txt
# The head map, given back, makes the checkpoint consistent.
"$ZTMIGRATE" -t map.txt -c map2.txt -o out.ckp in.ckp 2>stderr2
grep -q 'Success: all case-inconsistencies have been resolved.' stderr2
grep -c '//depot/Main/readme.TXT' out.ckp | grep -qx 2
[[ $(grep -c '@//depot/rel/X.c@' out.ckp) == 2 ]]
