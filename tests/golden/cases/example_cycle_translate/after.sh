# The edited checkpoint, the new conflict map (the edited map carried over,
# the trailer, and no conflict left) and the report are pinned; timings are
# masked.
set -e
cmp edited.ckp "$CASE_DIR/expected_edited.ckp"
cmp map2.txt "$CASE_DIR/expected_map2.txt"
sed -E -e 's/, [0-9]+ ms$/, N ms/' -e 's/^    time( +)[0-9.]+s$/    time\1Ns/' -e 's/elapsed time [0-9.]+, total: [0-9.]+$/elapsed time T, total: T/' .golden/stderr | cmp - "$CASE_DIR/expected_stderr"
