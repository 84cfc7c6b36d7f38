# The undo journal cannot be written: no archive may move without its
# journal line on the disk, so the tree is exactly the example's.
examples=$CASE_DIR/../../../../examples
diff -r ztroot "$examples/ztroot"
