# -R with -o, the root given with -r: the translated names are looked for
# under that root, not under the starting directory, which holds a decoy
# tree of the same names that must stay as it is.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p root/depot/Main depot/Main
echo a > root/depot/Main/A.c,v
echo decoy > depot/Main/A.c,v
{ counters; rev //depot/main/a.c 1.1 0; } > in.ckp
