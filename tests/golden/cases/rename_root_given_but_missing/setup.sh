# Neither -r nor a matching configuration: the root is unknown, and the
# archive below the starting directory must not be touched.
mkdir -p depot/Foo
touch depot/Foo/A.c,v
printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 9 @db.rev@ @//depot/foo/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/foo/a.c@ @1.1@ 0 \n' > in.ckp
