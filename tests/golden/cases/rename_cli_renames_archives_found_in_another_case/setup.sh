# Archives under the root: one only in another case, one already as wanted,
# two variants of a third.
mkdir -p root/depot/Foo root/depot/foo
touch root/depot/Foo/A.c,v root/depot/foo/ok.c,v root/depot/foo/x.c,v root/depot/foo/X.c,v
rev() {
  printf '@pv@ 9 @db.rev@ @%s@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @%s@ @1.1@ 0 \n' "$1" "$1"
}
{
  printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 1 @db.depot@ @depot@ 0 @@ @depot/...@ \n'
  rev //depot/foo/a.c
  rev //depot/foo/a.c
  rev //depot/foo/ok.c
  rev //depot/foo/x.c
} > in.ckp
