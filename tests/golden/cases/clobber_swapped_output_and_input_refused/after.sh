sha256sum -c --quiet sums.before
[[ $(ls -A | grep -c ztmigrate-) == 0 ]]
