# Without a note, the per-table files have neither header nor trailer; -j
# does not change what -O writes.
printf '@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ \n@pv@ 1 @db.counters@ @change@ 42 \n' > in.ckp
