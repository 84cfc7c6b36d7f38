[[ -d out/db.excl.ckp ]]
cmp out/db.counters.ckp <(printf '@pv@ 1 @db.counters@ @change@ 42 \n')
[[ $(grep -c 'could not open out/db.excl.ckp for writing' .golden/stderr) == 2 ]]
