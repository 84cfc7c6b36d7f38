cmp saved.txt map.txt
[[ ! -e out.ckp ]]
