# A checkpoint with header and trailer notes, multi-line text and case
# conflicts, run through every kind of run; see after.sh.
{
  printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
  printf '@pv@ 1 @db.counters@ @change@ 42 \n'
  printf '@pv@ 0 @db.desc@ 7 @multi\r\nline @@ text\n@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/Main/a.c@ @ws1@ @alice@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/main/c.c@ @ws1@ @bob@ \n'
  printf '@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
} > in.ckp
printf '//depot/main/... //depot/MAIN/...\n' > trans.map
mkdir srv
md5sum in.ckp trans.map > sums
