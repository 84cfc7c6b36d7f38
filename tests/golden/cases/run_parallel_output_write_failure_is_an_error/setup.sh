# Writes to the table file of db.counters fail as on a full disk.
printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 1 @db.excl@ @//depot/a.c@ @ws1@ @bob@ \n' > in.ckp
