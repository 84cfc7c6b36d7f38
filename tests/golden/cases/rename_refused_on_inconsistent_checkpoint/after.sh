diff -r ztroot "$CASE_DIR/../../../../examples/ztroot"
! ls ztmigrate-undo-* 2>/dev/null
