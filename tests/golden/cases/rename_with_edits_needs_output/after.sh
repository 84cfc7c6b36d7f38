sha256sum -c --quiet sums.before
[[ -e root/depot/Main/a.c,v ]]
