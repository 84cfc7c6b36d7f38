# Level 60 passes; 61 stops the run before it is written; no trailer.
cmp out.ckp - <<'T'
@nx@ 0 1700000000 @journal@ 1 0 0 0 0 @@ @journal@ @@ @@ @@ 
@pv@ 1 @db.counters@ @upgrade@ 60 
T
