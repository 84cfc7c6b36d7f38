# An archive 4.8 KB deep, longer than the system takes in one name: it is
# reached directory by directory and renamed, never reported missing.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
c=$(printf 'd%.0s' $(seq 200))
deep=depot
for i in $(seq 24); do deep=$deep/$c$i; done
mkdir -p "root/$deep/Main"
(cd root && for d in ${deep//\// }; do cd "$d"; done && cd Main && echo a > A.c,v)
{ counters; rev "//$deep/main/a.c" 1.1 0; } > in.ckp
echo "$deep" > deep.txt
