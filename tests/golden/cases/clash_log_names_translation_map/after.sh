cmp saved map.txt
[[ ! -e out.ckp ]]
