# scripts/demo runs the whole cycle on copies with the binary under test: it
# must succeed, end with the success message and leave examples/ untouched.
set -e
root=$CASE_DIR/../../../..
before=$(cd "$root/examples" && find . -type f -exec cksum {} + | LC_ALL=C sort)
ZTMIGRATE=$ZTMIGRATE bash "$root/scripts/demo" > demo.out 2>&1
[[ $(grep -v "^$" demo.out | tail -n 1) == "Success: all case-inconsistencies have been resolved." ]]
grep -qxF 'Would rename depot/Main/src/app.c,v to depot/main/src/app.c,v' demo.out
grep -qxF 'Renaming depot/Main/src/app.c,v to depot/main/src/app.c,v' demo.out
after=$(cd "$root/examples" && find . -type f -exec cksum {} + | LC_ALL=C sort)
[[ $before == "$after" ]]
