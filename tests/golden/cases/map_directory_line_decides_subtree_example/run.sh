# One round: the analysis's conflict map with only the top directory line
# edited (//depot/main becomes //depot/Main) re-cases the whole directory,
# the line for guide.txt below it included, and leaves no conflict.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" .
"$ZTMIGRATE" -q -c map1.txt checkpoint.ckp 2>/dev/null
sed 's|^//depot/main/\.\.\. //depot/main/\.\.\.$|//depot/main/... //depot/Main/...|' map1.txt > edited.map
cmp -s map1.txt edited.map && { echo "the directory line was not found"; exit 1; }
"$ZTMIGRATE" -v 2 -t edited.map -c map2.txt -o edited.ckp checkpoint.ckp 2>&1 |
  grep -E '^(Map line|Directory lines|    path conflicts|Success)'
