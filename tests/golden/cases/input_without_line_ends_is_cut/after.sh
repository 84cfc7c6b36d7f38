[[ ! -e out.ckp ]]
