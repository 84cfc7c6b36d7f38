# The table file of db.excl cannot take its name; db.counters, put in
# place just before it, must go again. The directory was there before.
mkdir out
printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 1 @db.excl@ @//depot/a.c@ @ws1@ @bob@ \n@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n' > in.ckp
