# A device that reports a full disk on every write. A private node is made
# when possible, so that nothing the run does can touch the system's own.
printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n@pv@ 1 @db.counters@ @change@ 42 \n@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n' > in.ckp
mknod full.ckp c 1 7 2>/dev/null || ln -s /dev/full full.ckp
