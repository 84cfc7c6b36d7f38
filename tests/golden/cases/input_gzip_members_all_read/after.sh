# Every data record of both members, between the program's header and trailer.
[[ $(grep -c '^@pv@' out.ckp) == 2 ]] && grep -q 'db.excl' out.ckp && tail -n 1 out.ckp | grep -q '^@nx@ 1 '
