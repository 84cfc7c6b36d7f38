set -e
deep=$(cat deep.txt)
cd root
for d in ${deep//\// }; do cd "$d"; done
[[ $(cat main/a.c,v) == a && ! -e Main/A.c,v ]]
