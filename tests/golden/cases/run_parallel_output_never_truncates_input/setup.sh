# The input is the file that -O would write for its own table: it is left
# untouched and the run ends with an error instead of reading a truncated
# checkpoint.
mkdir dir
printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 1 @db.counters@ @journal@ 3 \n@pv@ 1 @db.excl@ @//depot/a.c@ @ws1@ @bob@ \n' > dir/db.counters.ckp
cp dir/db.counters.ckp saved.ckp
