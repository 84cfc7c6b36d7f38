# The input is the file that -O would write for its own table: the
# directory already holds table files, so the run is refused before
# anything is read or written, and the input is untouched.
mkdir dir
printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@ 1 @db.counters@ @journal@ 3 \n@pv@ 1 @db.excl@ @//depot/a.c@ @ws1@ @bob@ \n' > dir/db.counters.ckp
cp dir/db.counters.ckp saved.ckp
