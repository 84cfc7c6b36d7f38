diff -r saved in
[[ $(ls -A in) == db.counters.ckp ]]
