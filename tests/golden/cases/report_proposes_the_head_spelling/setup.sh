# The head revision (first of each file) spells the directory Dir; the
# older revisions, more of them, spell it dir.
r() { printf '@pv@ 9 @db.rev@ @%s@ %s 0 0 1 1733100000 1733100000 00112233445566778899AABBCCDDEEFF 10 0 1 @%s@ @1.%s@ 0 \n' "$1" "$2" "$1" "$2"; }
{
  r //depot/Dir/a.c 3
  r //depot/dir/a.c 2
  r //depot/dir/a.c 1
} > in.ckp
