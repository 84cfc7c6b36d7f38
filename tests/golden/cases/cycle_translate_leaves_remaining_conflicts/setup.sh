# Case variants of directories and files, a file and a directory of one
# name, and a directory whose name holds a space.
cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.depot@ @depot@ 0 @@ @depot/...@ 
@pv@ 9 @db.rev@ @//depot/Main/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/Main/a.c@ @1.1@ 0 
@pv@ 9 @db.rev@ @//depot/main/b.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/b.c@ @1.1@ 0 
@pv@ 9 @db.rev@ @//depot/main/c.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/c.c@ @1.1@ 0 
@pv@ 9 @db.rev@ @//depot/main/READ.me@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/READ.me@ @1.1@ 0 
@pv@ 1 @db.excl@ @//depot/main/read.ME@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/My Docs/x.txt@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/my docs/y.txt@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/my docs/z.txt@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/A@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/a/b@ @ws1@ @bob@ 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
cp "$CASE_DIR/partial.map" partial.txt
