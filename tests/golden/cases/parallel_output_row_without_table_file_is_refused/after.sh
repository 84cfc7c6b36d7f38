sha256sum -c --quiet sums.before
[[ -z $(ls -A out) ]]
