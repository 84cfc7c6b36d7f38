cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/rel/b.c@ @ws1@ @bob@ 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
