# -R with -o and no -r: the root is the checkpoint's server.depot.root, as
# in a run without output; the starting directory's decoy tree stays.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p root/depot/Main depot/Main
echo a > root/depot/Main/A.c,v
echo decoy > depot/Main/A.c,v
{
  printf '@pv@ 1 @db.config@ @all@ @server.depot.root@ @%s@ \n' "$PWD/root"
  counters
  rev //depot/main/a.c 1.1 0
} > in.ckp
