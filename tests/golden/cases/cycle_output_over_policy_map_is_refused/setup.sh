printf '@pv@ 1 @db.excl@ @//depot/Main/a.c@ @ws1@ @bob@ \n' > in.ckp
echo '//depot/main/... //depot/main/...' > policy.map
cp policy.map saved.map
ln -s policy.map link.map
