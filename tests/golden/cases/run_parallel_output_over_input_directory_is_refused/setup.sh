mkdir pdir
printf '@pv@ 1 @db.counters@ @change@ 42 \n' > pdir/db.counters.ckp
