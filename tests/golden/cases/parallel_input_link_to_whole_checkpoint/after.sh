sha256sum -c --quiet sums.before
[[ ! -e out.ckp ]]
# -s -O copies table files as they are, and refuses the link the same way.
if "$ZTMIGRATE" -s -O conv par 2>conv.err; then exit 1; fi
grep -q 'par/db.link.ckp record 1 holds a row of table db.depot' conv.err
[[ ! -e conv/db.link.ckp ]]
