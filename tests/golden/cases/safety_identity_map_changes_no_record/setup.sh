# A map whose every line maps a pattern to itself, over a checkpoint with
# case conflicts below the patterns' literal parts.
{
  printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
  printf '@pv@ 1 @db.counters@ @change@ 42 \n'
  printf '@pv@ 0 @db.desc@ 7 @multi\nline @@ text\n@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/Main/a.c@ @ws1@ @alice@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/my dir/c.c@ @ws1@ @bob@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/My Dir/d.c@ @ws1@ @bob@ \n'
  printf '@pv@ 3 @db.have@ @//ws/a@ @//depot/Main/a.c@ 0004 @text@ 1500000000 \n'
  printf '@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
} > in.ckp
printf '//depot/... //depot/...\n//depot/*/*.c //depot/*/*.c\n"//depot/%%%%1/..." "//depot/%%%%1/..."\n' > identity.map
