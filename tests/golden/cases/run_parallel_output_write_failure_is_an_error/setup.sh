# The table file of db.counters is a device that reports a full disk.
mkdir out
printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n@pv@ 1 @db.counters@ @change@ 42 \n' > in.ckp
mknod out/db.counters.ckp c 1 7 2>/dev/null || ln -s /dev/full out/db.counters.ckp
