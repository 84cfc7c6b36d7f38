cmp saved out.ckp.gz
# No temporary file is left behind.
[[ -z $(ls -A | grep ztmigrate-) ]]
