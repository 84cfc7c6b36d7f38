# A depot named in mixed case and paths spelled several ways.
cat > in.ckp <<'CKP'
@pv@ 1 @db.depot@ @Depot@ 0 @@ @depot/...@ 
@pv@ 9 @db.rev@ @//Depot/Main/readme.TXT@ 2 0 0 2 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//Depot/Main/readme.TXT@ @1.2@ 0 
@pv@ 9 @db.rev@ @//depot/MAIN/readme.txt@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/MAIN/readme.txt@ @1.1@ 0 
@pv@ 9 @db.rev@ @//depot/rel/X.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/rel/X.c@ @1.1@ 0 
@pv@ 1 @db.excl@ @//Depot/Rel/x.C@ @ws1@ @bob@ 
CKP
