# A map that decides only //depot/Main (as //depot/main); below it the
# subdirectory Sub is still spelt in two ways.
printf '%s\n' '@pv@ 1 @db.excl@ @//depot/Main/Sub/a.c@ @ws1@ @alice@ ' \
  '@pv@ 1 @db.excl@ @//depot/MAIN/Sub/b.c@ @ws1@ @bob@ ' \
  '@pv@ 1 @db.excl@ @//depot/main/sub/c.c@ @ws1@ @bob@ ' > in.ckp
printf '%s\n' '//depot/Main/... //depot/main/...' > decided.map
