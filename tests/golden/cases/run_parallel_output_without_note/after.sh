cmp out/db.excl.ckp <(printf '@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ \n')
cmp out/db.counters.ckp <(printf '@pv@ 1 @db.counters@ @change@ 42 \n')
