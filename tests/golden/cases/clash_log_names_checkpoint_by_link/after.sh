cmp saved in.ckp
[[ ! -e map.txt ]]
