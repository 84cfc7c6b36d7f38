set -e
[[ $(cat root/depot/main/a.c,v) == a && $(cat depot/Main/A.c,v) == decoy && ! -e depot/main ]]
[[ -f out.ckp ]]
