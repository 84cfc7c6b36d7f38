[[ -c out/db.counters.ckp ]]
