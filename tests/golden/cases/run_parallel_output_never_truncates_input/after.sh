cmp saved.ckp dir/db.counters.ckp
cmp dir/db.excl.ckp <(printf '@pv@ 1 @db.excl@ @//depot/a.c@ @ws1@ @bob@ \n')
