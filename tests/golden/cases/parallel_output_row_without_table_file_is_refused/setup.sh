# A row whose table has no file in a parallel output (its name does not
# begin with "db.") would be dropped: the counts of records read and written
# differ, the run ends with an error naming them, and nothing is written.
cat > in.ckp <<'CKP'
@pv@ 1 @db.counters@ @change@ 42 
@pv@ 1 @xx.other@ 
@pv@ 1 @db.counters@ @journal@ 3 
CKP
sha256sum in.ckp > sums.before
