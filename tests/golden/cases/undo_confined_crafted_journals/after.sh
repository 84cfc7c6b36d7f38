# Every other crafted journal is refused the same way, and nothing inside
# or outside the root changed.
set -e
. "$CASE_DIR/../../fixtures/archive_attack.sh"
refused() {  # journal, expected text
  "$ZTMIGRATE" --undo "$1" 2> "$1.err" && return 1
  grep -qF "$2" "$1.err" || { cat "$1.err"; return 1; }
  ! grep -q '^Restoring' "$1.err"
}
refused absolute.log 'Undo journal absolute.log line 3 names a path that is absolute'
refused mkdir.log 'Undo journal mkdir.log line 3 names a path that is absolute'
refused rmdir.log 'Undo journal rmdir.log line 3 names a path that is absolute'
refused noroot.log 'noroot.log is not an undo journal (it lacks the journal'"'"'s header or its #root'
refused empty.log 'empty.log is not an undo journal'
refused /dev/null '/dev/null is not an undo journal'
check_outside
find root -printf '%p\n' | LC_ALL=C sort | cmp - root.sum
# A journal cut in the middle of a line (the run was killed while writing
# it): what it holds is undone, and the undo says that its end is missing.
printf '# ztmigrate undo journal\n#root\t%s\ndepot/Main/a.c,v\tdepot/main/a.c,v\ndepot/Ma' "$PWD/root" > cut.log
"$ZTMIGRATE" --undo cut.log 2> cut.err && exit 1
grep -qx 'Restoring depot/main/a.c,v to depot/Main/a.c,v' cut.err
grep -qF 'Undo journal cut.log: the run that wrote it did not finish: 1 moves undone, the journal may have lost its last lines' cut.err
[[ $(cat root/depot/Main/a.c,v) == a ]]
check_outside
