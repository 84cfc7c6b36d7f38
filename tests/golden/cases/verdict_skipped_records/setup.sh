printf '@pv@ 1 @db.nameval@ @a@ @1@ \n@pv@ 1 @db.nameval@ @short@ \n@pv@ 1 @db.nameval@ @b@ @2@ \n' > ckp.ckp
