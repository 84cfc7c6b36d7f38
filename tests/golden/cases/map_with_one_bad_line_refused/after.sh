sha256sum -c --quiet sums.before
[[ ! -e out.ckp ]]
[[ $(ls -A | grep -c ztmigrate-) == 0 ]]
