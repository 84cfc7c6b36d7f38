printf '@pv@ 1 @db.nameval@ @change@ @1@ \n' > x.ckp
