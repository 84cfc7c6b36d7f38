printf '@pv@ 1 @db.nameval@ @change@ @42@ \n@pv@ 1 @db.nameval@ @journal@ @3@ \n' > ckp.ckp
