# Only the rows the map changes appear, each as its "dv" line as read (in
# standard format) followed by the edited row; no header, no trailer.
cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.depot@ @depot@ 0 @@ @depot/...@ 
@pv@ 9 @db.rev@ @//depot/Main/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/a.c@ @1.1@ 0 
@pv@ 9 @db.rev@ @//depot/main/b.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/main/b.c@ @1.1@ 0 
@rv@   1 @db.excl@ @//depot/MAIN/c.c@ ws1 bob
@pv@ 1 @db.counters@ @change@ 42 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
echo '//depot/main/... //depot/main/...' > map.txt
