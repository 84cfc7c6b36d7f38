# The output directory already holds a table file of an earlier run (here a
# directory of that name): a parallel output never mixes two runs, so the
# run is refused and the directory is left as it was.
cat > in.ckp <<'CKP'
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
@pv@ 1 @db.counters@ @change@ 42 
CKP
mkdir -p out/db.excl.ckp
