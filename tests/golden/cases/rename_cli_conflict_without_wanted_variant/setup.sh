# Two variants on disk, neither of them the wanted name: both are reported
# lost, nothing is renamed or removed.
mkdir -p root/depot/foo
touch root/depot/foo/x.c,v root/depot/foo/X.c,v
printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 9 @db.rev@ @//depot/foo/X.C@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/foo/X.C@ @1.1@ 0 \n' > in.ckp
