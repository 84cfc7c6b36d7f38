# A directory already named db.excl.ckp blocks that table's file: its
# records are lost from the output, so the run must end with an error.
cat > in.ckp <<'CKP'
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
@pv@ 1 @db.counters@ @change@ 42 
@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ 
CKP
mkdir -p out/db.excl.ckp
