# copy/ holds hard links of the input's table files: writing them would
# rewrite the input through its other names.
mkdir in copy
printf '@pv@ 1 @db.counters@ @change@ 42 \n' > in/db.counters.ckp
printf '@pv@ 1 @db.excl@ @//depot/a.c@ @ws1@ @bob@ \n' > in/db.excl.ckp
ln in/db.counters.ckp copy/db.counters.ckp
ln in/db.excl.ckp copy/db.excl.ckp
cp -R in saved
