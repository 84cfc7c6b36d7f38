# Archives kept as one file per revision in a ",d" directory: the directory
# is matched without regard to case, the revision file exactly.
mkdir -p root/depot/Foo/A.c,D
echo one > root/depot/Foo/A.c,D/1.1
echo two > root/depot/Foo/A.c,D/1.2
rev() {
  printf '@pv@ 9 @db.rev@ @//depot/foo/a.c@ %s 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/foo/a.c@ @%s@ 1 \n' "$1" "$2"
}
{ printf '@pv@ 1 @db.counters@ @change@ 42 \n'; rev 2 1.2; rev 1 1.1; } > in.ckp
