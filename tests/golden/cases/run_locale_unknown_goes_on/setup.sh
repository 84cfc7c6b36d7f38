printf '@pv@ 1 @db.counters@ @change@ 42 \n' > in.ckp
