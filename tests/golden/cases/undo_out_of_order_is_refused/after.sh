# The second run's journal names the first's. Undoing the first before the
# second is refused, naming the second, and changes nothing; newest first,
# both undo, and the example's tree is back.
set -e
examples=$CASE_DIR/../../../../examples
"$ZTMIGRATE" -R -r ztroot --undo-log second.log edited.ckp 2> again.err
grep -qx "#follows	$PWD/first.log" second.log
(cd ztroot && find . | LC_ALL=C sort) > before.txt
"$ZTMIGRATE" --undo first.log 2> wrong.err && exit 1
grep -qF "Nothing was undone: first.log is followed by $PWD/second.log, the journal of a later" wrong.err
grep -qF "    ztmigrate --undo $PWD/second.log" wrong.err
(cd ztroot && find . | LC_ALL=C sort) | cmp - before.txt
"$ZTMIGRATE" --undo second.log 2> undo2.err
grep -qx '#undone' second.log
"$ZTMIGRATE" --undo first.log 2> undo1.err && exit 1
grep -qx 'Undo: archives restored 2, never moved 3, gone 0, old name taken 0, failed 0' undo1.err
diff -r ztroot "$examples/ztroot"
