cmp out.ckp <(printf "@pv@ 1 @db.counters@ @a@ 1 \n@pv@ 1 @db.counters@ @b@ 2 \n")
