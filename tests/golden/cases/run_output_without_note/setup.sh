# No note in the input: neither header nor trailer in the output; records
# written in input order, in standard format.
printf '@pv@ 1 @db.counters@ @change@ 42 \n@pv@   1 @db.excl@ @//depot/x.c@ ws1 bob\n@pv@ 1 @db.counters@ @journal@ 3 \n' > in.ckp
