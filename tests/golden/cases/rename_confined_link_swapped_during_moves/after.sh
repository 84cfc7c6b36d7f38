# The first archive went into the real directory (moved aside by the
# injector); the other two stayed; outside/ is untouched, before and after
# an undo that meets the link.
set -e
. "$CASE_DIR/../../fixtures/archive_attack.sh"
check_outside
[[ $(cat root/depot/main.moved/a.c,v) == a ]]
[[ $(cat root/depot/Main/b.c,v) == b && $(cat root/depot/Main/c.c,v) == c ]]
"$ZTMIGRATE" --undo journal.log 2> undo.err && exit 1
grep -q 'Not restored: depot/main/a.c,v stays, since a symbolic link lies on the way to it or to depot/Main/a.c,v' undo.err
check_outside
[[ $(cat root/depot/main.moved/a.c,v) == a ]]
