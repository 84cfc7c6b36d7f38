cmp saved out.ckp
# No temporary file is left behind.
[[ -z $(ls -A | grep ztmigrate-) ]]
