# -C1 on a non-Unicode checkpoint gives flags 2. The note of type 0 with
# flags 1 clears the Unicode mode that -u asked for, but -u keeps UTF-8
# path folding.
cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 1 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.counters@ @change@ 42 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
