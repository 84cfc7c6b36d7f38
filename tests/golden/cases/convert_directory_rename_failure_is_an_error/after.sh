diff -r saved in
[[ ! -e out/db.b.ckp ]]
[[ -z $(ls -A out | grep ztmigrate-) ]]
