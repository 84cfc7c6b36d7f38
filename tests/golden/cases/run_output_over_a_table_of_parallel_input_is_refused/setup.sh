# -o names a table file of the parallel checkpoint being read: removing it
# to make the output would destroy that table before it is read.
mkdir pdir
printf '@pv@ 1 @db.counters@ @change@ 42 \n' > pdir/db.counters.ckp
