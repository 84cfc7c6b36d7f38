# Two spellings of a file 100000 directories deep: the path tree, the
# conflict map and its writer must all cope without deep recursion.
deep=$(printf 'd/%.0s' $(seq 100000))
printf '@pv@ 1 @db.excl@ @//depot/%sFile.c@ @ws1@ @alice@ \n@pv@ 1 @db.excl@ @//depot/%sfile.c@ @ws1@ @bob@ \n@pv@ 1 @db.excl@ @//depot/%sfile.c@ @ws2@ @bob@ \n' "$deep" "$deep" "$deep" > deep.ckp
