cmp pdir/db.counters.ckp <(printf '@pv@ 1 @db.counters@ @change@ 42 \n')
