# Every move fails with EXDEV: each is reported once and counted as failed
# without the retries and their one-second waits; nothing moved.
set -e
examples=$CASE_DIR/../../../../examples
diff -r ztroot "$examples/ztroot"
[[ $(grep -c '^Renaming ' .golden/stderr) == 5 ]]
[[ $(grep -c 'Invalid cross-device link' .golden/stderr) == 5 ]]
[[ $(grep -c '^#not-moved' journal.log) == 5 ]]
"$ZTMIGRATE" --undo journal.log 2> undo.err
grep -qx 'Undo: archives restored 0, never moved 5, gone 0, old name taken 0, failed 0' undo.err
diff -r ztroot "$examples/ztroot"
