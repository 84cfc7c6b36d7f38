# The last record is cut off inside a quoted field, without a newline.
printf '@pv@ 1 @db.counters@ @a@ 1 \n@pv@ 1 @db.counters@ @b@ 2 \n@pv@ 1 @db.counters@ @cut' > in.ckp
