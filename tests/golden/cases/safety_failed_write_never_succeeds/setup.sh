# Outputs that land on a device reporting a full disk (a private node when
# possible, so that nothing the run does can touch the system's own).
{
  printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @alice@ \n'
} > in.ckp
printf '//depot/main/... //depot/MAIN/...\n' > trans.map
for n in full.ckp full.ckp.gz full.jnl; do
  mknod "$n" c 1 7 2>/dev/null || ln -s /dev/full "$n"
done
