# One round on a generated checkpoint whose top directory and many
# directories below it are spelt in two ways: only the top directory's line
# of the conflict map is edited (to lower case), and no conflict is left.
ZTMIGRATE=$(realpath "$ZTMIGRATE")
"$ZT_GEN_CHECKPOINT" --size-mb 1 --variants 0.4 in.ckp >/dev/null 2>&1
"$ZTMIGRATE" -q -c map1.txt in.ckp 2>/dev/null
top=$(grep -m1 '/\.\.\. ' map1.txt | cut -d' ' -f1)
dir=${top%/...}
echo "directory lines: $(grep -c '/\.\.\. ' map1.txt)"
echo "lines below the top directory: $(grep -c "^$dir/" map1.txt)"
lower=$(printf '%s' "$dir" | tr 'A-Z' 'a-z')
awk -v l="$top $top" -v r="$top $lower/..." '!done && $0 == l { print r; done = 1; next } { print }' map1.txt > edited.map
diff map1.txt edited.map | grep -c '^>' | sed 's/^/edited lines: /'
"$ZTMIGRATE" -t edited.map -c map2.txt -o out.ckp in.ckp 2>&1 |
  grep -E '^(Directory lines|    path conflicts|Success)'
echo "revisions left under the old spelling: $(grep -c "^@pv@ [0-9]* @db.rev@ @$dir/" out.ckp)"
echo "revisions under the new spelling: $( [ "$(grep -c "^@pv@ [0-9]* @db.rev@ @$lower/" out.ckp)" -gt 100 ] && echo many)"
cmp map2.txt edited.map && echo "the new map is the edited one"
