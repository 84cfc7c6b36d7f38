# Neither -r nor a matching configuration: the root is empty and missing;
# the archive is then looked for from the starting directory.
mkdir -p depot/Foo
touch depot/Foo/A.c,v
printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 9 @db.rev@ @//depot/foo/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/foo/a.c@ @1.1@ 0 \n' > in.ckp
