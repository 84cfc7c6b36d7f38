# The edited map given back under the name of the new conflict map: the
# conflict map is made anew before the translation map is read, so the
# administrator's edits would be lost.
printf '@pv@ 1 @db.excl@ @//depot/Main/a.c@ @ws1@ @bob@ \n@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ \n' > in.ckp
echo '//depot/main/... //depot/main/...' > map.txt
cp map.txt saved.txt
