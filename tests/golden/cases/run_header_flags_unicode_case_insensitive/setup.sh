# A note of type 0 whose flags have the bit 8 set marks a Unicode server,
# even without -u; -C1 adds 1; -r gives the root in field 9.
cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 9 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.counters@ @change@ 42 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
