sha256sum -c --quiet sums.before
[[ ! -e out.ckp ]]
