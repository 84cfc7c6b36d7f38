# Four rows, the second one corrupt (too few fields).
printf '@pv@ 1 @db.excl@ @//depot/Main/a.c@ @ws1@ @alice@ \n@pv@ 1 @db.excl@ @short@ \n@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ \n@pv@ 1 @db.excl@ @//depot/main/c.c@ @ws1@ @bob@ \n' > in.ckp
