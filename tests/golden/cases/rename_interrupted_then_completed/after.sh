# Killed at the third move; running -R again completes the rename, and the
# two journals, undone newest first, put the example's tree back. The
# killed run's journal has no closing line: its undo says so and fails.
set -e
examples=$CASE_DIR/../../../../examples
"$ZTMIGRATE" -R -r ztroot --undo-log second.log edited.ckp 2> again.err
grep -qx 'Archive rename: archives moved 3, already correct 4, missing 0, in conflict 0 (both kept, nothing deleted), failed 0' again.err
grep -q 'Success: all case-inconsistencies have been resolved.' again.err
(cd ztroot && find . -type f | LC_ALL=C sort) | cmp - "$CASE_DIR/../example_cycle_rename/expected_files"
"$ZTMIGRATE" --undo second.log 2> undo2.err
"$ZTMIGRATE" --undo first.log 2> undo1.err && exit 1
grep -q 'the run that wrote it did not finish: 2 moves undone, the journal may have lost its last lines' undo1.err
grep -qx 'Undo: archives restored 2, never moved 3, gone 0, old name taken 0, failed 0' undo1.err
diff -r ztroot "$examples/ztroot"
