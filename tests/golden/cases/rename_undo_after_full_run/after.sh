# The run moved five archives and removed the directories it emptied; the
# journal names each step, and --undo puts the example's tree back exactly,
# directories included.
set -e
examples=$CASE_DIR/../../../../examples
[[ ! -e ztroot/depot/Main && ! -e ztroot/projects/Web ]]
grep -q "^Undo journal: $PWD/journal.log$" .golden/stderr
grep -qx $'depot/Main/src/app.c,v\tdepot/main/src/app.c,v' journal.log
grep -qx $'#rmdir\tdepot/Main' journal.log
"$ZTMIGRATE" --undo journal.log > undo.out 2> undo.err
grep -qx 'Restoring depot/main/src/app.c,v to depot/Main/src/app.c,v' undo.err
grep -qx 'Undo: archives restored 5, never moved 0, gone 0, old name taken 0, failed 0' undo.err
diff -r ztroot "$examples/ztroot"
# A second undo finds nothing left to do and changes nothing.
"$ZTMIGRATE" --undo journal.log 2> undo2.err
grep -qx 'Undo: archives restored 0, never moved 5, gone 0, old name taken 0, failed 0' undo2.err
diff -r ztroot "$examples/ztroot"
