[[ ! -e out.ckp ]]
[[ -z $(ls -A | grep ztmigrate-) ]]
