# A parallel checkpoint beside an administrator's backup copy of a table, a
# README, a pipe named like a table and a subdirectory: only the table files
# are read, each row once, and nothing blocks.
mkdir in
printf '@pv@ 1 @db.counters@ @change@ 42 \n' > in/db.counters.ckp
printf '@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ \n' > in/db.excl.ckp
cp in/db.excl.ckp in/db.excl.ckp.bak
echo 'how this checkpoint was taken' > in/README
mkfifo in/db.rev.ckp
mkdir in/db.have.ckp
