# The translation map named is a directory: it cannot be read as a file.
printf '@pv@ 1 @db.excl@ @//depot/a/x.c@ @ws1@ @alice@ \n' > in.ckp
mkdir trans.map
cp in.ckp in.orig
