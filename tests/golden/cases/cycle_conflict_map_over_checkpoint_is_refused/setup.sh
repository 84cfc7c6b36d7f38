printf '@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ \n' > in.ckp
cp in.ckp saved.ckp
