# The records before the unloaded data, and no trailer.
cmp out.ckp - <<'T'
@nx@ 0 1700000000 @journal@ 1 0 0 0 0 @@ @journal@ @@ @@ @@ 
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
T
