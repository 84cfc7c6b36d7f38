# Killed at the third move: two archives moved, the journal holds every
# move of the batch. --undo puts the two back and skips the three never
# made, leaving the example's tree exactly.
set -e
examples=$CASE_DIR/../../../../examples
[[ $(grep -c '^Renaming ' .golden/stderr) == 3 ]]
[[ -f ztroot/projects/web/style.css,v && -f ztroot/depot/main/doc/Guide.txt,v ]]
[[ -f ztroot/depot/Main/src/app.c,v ]]
"$ZTMIGRATE" --undo first.log 2> undo.err
grep -qx 'Undo: archives restored 2, never moved 3, gone 0, old name taken 0, failed 0' undo.err
diff -r ztroot "$examples/ztroot"
