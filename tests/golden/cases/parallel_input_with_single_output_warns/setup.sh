mkdir pdir
printf '@pv@ 1 @db.nameval@ @change@ @42@ \n' > pdir/db.nameval.ckp
