# Two spellings of a directory 40000 levels deep: the conflict map that -c
# writes holds a line of some 80 KB, which -t must read back as one line.
deep=$(printf 'd/%.0s' $(seq 40000))
{
  printf '@pv@ 1 @db.excl@ @//depot/%sSub/f1.c@ @ws1@ @bob@ \n' "$deep"
  printf '@pv@ 1 @db.excl@ @//depot/%sSub/f2.c@ @ws1@ @bob@ \n' "$deep"
  printf '@pv@ 1 @db.excl@ @//depot/%ssub/f3.c@ @ws1@ @bob@ \n' "$deep"
} > in.ckp
"$ZTMIGRATE" -c map.txt in.ckp > /dev/null 2>&1
[[ $(grep -c '^//' map.txt) == 1 ]]
