# Both outputs written, the checkpoint with the three readable rows only.
set -e
[[ $(grep -c '@db.excl@' out.ckp) == 3 ]]
! grep -q '@short@' out.ckp
grep -qx '//depot/main/\.\.\. //depot/main/\.\.\.' map.txt
