# Every path of the directory takes the decided spelling, and the new map is
# the edited one unchanged: no empty block of added lines below it.
set -e
! grep -q '//depot/main/' edited.ckp
grep -q '//depot/Main/doc/guide.txt' edited.ckp
cmp map2.txt edited.map
