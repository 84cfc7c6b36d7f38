# Killed at the third move, after emptying projects/Web and depot/Main/doc.
# The rerun with --prune-empty-dirs moves the rest and removes those
# directories too, though it moved nothing out of them itself; the undo of
# both journals, newest first, puts the example's tree back.
set -e
examples=$CASE_DIR/../../../../examples
[[ -d ztroot/projects/Web && -d ztroot/depot/Main/doc ]]
"$ZTMIGRATE" -R -r ztroot --prune-empty-dirs --undo-log second.log edited.ckp 2> again.err
grep -qx 'Archive rename: archives moved 3, already correct 4, missing 0, in conflict 0 (both kept, nothing deleted), failed 0' again.err
[[ ! -e ztroot/projects/Web && ! -e ztroot/depot/Main ]]
(cd ztroot && find . -type f | LC_ALL=C sort) | cmp - "$CASE_DIR/../example_cycle_rename/expected_files"
"$ZTMIGRATE" --undo second.log 2> undo2.err
"$ZTMIGRATE" --undo first.log 2> undo1.err && exit 1
diff -r ztroot "$examples/ztroot"
