[[ -f single.ckp && ! -s single.ckp ]]
[[ $(ls -A out/deep/dir) == $'db.counters.ckp\ndb.excl.ckp' ]]
cmp out/deep/dir/db.counters.ckp - <<'T'
@nx@ 0 1700000000 @journal@ 1 0 0 0 0 @@ @journal@ @db.counters@ @@ @@ 
@pv@ 1 @db.counters@ @change@ 42 
@pv@ 1 @db.counters@ @journal@ 3 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @db.counters@ @@ @@ @@ @@ 
T
cmp out/deep/dir/db.excl.ckp - <<'T'
@nx@ 0 1700000000 @journal@ 1 0 0 0 0 @@ @journal@ @db.excl@ @@ @@ 
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @db.excl@ @@ @@ @@ @@ 
T
