cmp saved map.txt
[[ -z $(ls -A | grep ztmigrate-) ]]
