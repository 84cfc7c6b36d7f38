# The table file of db.excl lost its end: its header note has no trailer.
mkdir in
printf '@nx@ 0 1 @ckp@ 1 0 0 0 0 @r@ @journal@ @db.counters@ @@ @@ \n@pv@ 1 @db.counters@ @change@ 42 \n@nx@ 1 1 @ckp@ 0 0 0 0 0 @db.counters@ @@ @@ @@ @@ \n' > in/db.counters.ckp
printf '@nx@ 0 1 @ckp@ 1 0 0 0 0 @r@ @journal@ @db.excl@ @@ @@ \n@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ \n' > in/db.excl.ckp
