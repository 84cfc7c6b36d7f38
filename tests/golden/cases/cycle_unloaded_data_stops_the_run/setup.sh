cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
@pv@ 9 @db.revux@ @//depot/main/u.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/u.c@ @1.1@ 0 
@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
