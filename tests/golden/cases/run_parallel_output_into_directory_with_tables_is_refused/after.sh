[[ -d out/db.excl.ckp ]]
[[ $(ls -A out) == db.excl.ckp ]]
