# scripts/demo runs the whole cycle on copies with the binary under test: it
# must succeed, translate with the success message, end with the edited
# checkpoint verified against the original, and leave examples/ untouched.
set -e
root=$CASE_DIR/../../../..
before=$(cd "$root/examples" && find . -type f -exec cksum {} + | LC_ALL=C sort)
ZTMIGRATE=$ZTMIGRATE bash "$root/scripts/demo" > demo.out 2>&1
grep -qxF "Success: all case-inconsistencies have been resolved." demo.out
[[ $(grep -v "^$" demo.out | tail -n 1) == $'\tVerified: edited.ckp differs from checkpoint.ckp only in the case of 22 fields, is case-consistent, and every archive it names is present' ]]
grep -qxF 'Would rename depot/Main/src/app.c,v to depot/main/src/app.c,v' demo.out
grep -qxF 'Renaming depot/Main/src/app.c,v to depot/main/src/app.c,v' demo.out
after=$(cd "$root/examples" && find . -type f -exec cksum {} + | LC_ALL=C sort)
[[ $before == "$after" ]]
