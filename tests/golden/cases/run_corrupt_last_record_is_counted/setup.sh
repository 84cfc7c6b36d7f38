# The corrupt record is the last one of the file: it is still counted.
printf '@pv@ 1 @db.counters@ @a@ 1 \n@pv@ 1 @db.counters@ @b@ 2 \n@pv@ 1 @db.counters@ @short@ \n' > in.ckp
