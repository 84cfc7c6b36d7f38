set -e
[[ $(cat root/depot/main/a.c,v) == a ]]
