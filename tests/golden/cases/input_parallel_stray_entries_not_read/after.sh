# One row of db.excl, not two.
[[ $(grep -c 'a.c' out/db.excl.ckp) == 1 ]] && [[ ! -e out/db.rev.ckp ]]
