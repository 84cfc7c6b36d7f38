cmp saved.ckp dir/db.counters.ckp
[[ $(ls -A dir) == db.counters.ckp ]]
