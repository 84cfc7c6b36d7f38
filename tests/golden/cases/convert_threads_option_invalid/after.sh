# A refused --threads value writes nothing.
[[ ! -e out.ckp ]] && [[ -z $(ls -A | grep ztmigrate-) ]]
