# A directory whose name begins with a non-ASCII letter: the map's
# partition keys must be folded as the scan folds the paths it looks up.
printf '@pv@ 1 @db.excl@ @//depot/\xc3\x84B/x.c@ @ws1@ @bob@ \n@pv@ 1 @db.excl@ @//depot/\xc3\x84b/y.c@ @ws1@ @bob@ \n' > body.ckp
printf '//depot/\xc3\x84B/... //depot/\xc3\x84b/...\n' > map.txt
{ printf '@nx@ 0 1700000000 @journal@ 9 0 0 0 0 @@ @@ @@ @@ @@ \n'; cat body.ckp; printf '@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'; } > in.ckp
