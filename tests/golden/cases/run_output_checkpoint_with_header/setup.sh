# A checkpoint with a header note: every data record comes out once, in
# input order, between the program's own header and trailer.
cat > in.ckp <<'CKP'
@nx@ 2 1700000000 @journal@ 0 5 6 7 8 @/old/root@ @x@ @y@ @z@ @w@ 
@pv@ 1 @db.counters@ @change@ 42 
@pv@ 1 @db.depot@ @depot@ 0 @@ @depot/...@ 
@pv@ 9 @db.rev@ @//depot/main/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/a.c@ @1.1@ 0 
@pv@ 1 @db.excl@ @//depot/main/b@@c.c@ @ws1@ @bob@ 
@pv@ 1 @db.desc@ 7 @line one
line two@ 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
