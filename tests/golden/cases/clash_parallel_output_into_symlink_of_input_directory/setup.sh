mkdir in
printf '@pv@ 1 @db.counters@ @change@ 42 \n' > in/db.counters.ckp
ln -s in alias
cp -R in saved
