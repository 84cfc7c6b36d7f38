# A path 100000 directories deep translated through a prefix mapping and
# written to an edited checkpoint.
deep=$(printf 'd/%.0s' $(seq 100000))
printf '@pv@ 1 @db.excl@ @//depot/%sfile.c@ @ws1@ @alice@ \n' "$deep" > deep.ckp
printf '//depot/... //DEPOT/...\n' > trans.map
