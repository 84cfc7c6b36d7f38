# Nothing outside changed, the links are still there, the sound archive
# moved; undoing the run stays inside the root as well.
set -e
. "$CASE_DIR/../../fixtures/archive_attack.sh"
check_outside
[[ -L root/depot/Link && -L root/depot/main/Deep && -L root/depot/main/src/b.c,d && -L root/depot/wanted ]]
[[ $(cat root/depot/old/x.c,v) == x && ! -e root/depot/Old ]]
"$ZTMIGRATE" --undo journal.log 2> undo.err
grep -qx 'Undo: archives restored 1, never moved 0, gone 0, old name taken 0, failed 0' undo.err
[[ $(cat root/depot/Old/X.c,v) == x ]]
check_outside
