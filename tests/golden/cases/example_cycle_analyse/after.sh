# The conflict map and the report are pinned; timings are masked.
set -e
cmp conflicts.map "$CASE_DIR/expected_conflicts.map"
sed -E -e 's/, [0-9]+ ms$/, N ms/' -e 's/^    time( +)[0-9.]+s$/    time\1Ns/' -e 's/elapsed time [0-9.]+, total: [0-9.]+$/elapsed time T, total: T/' .golden/stderr | cmp - "$CASE_DIR/expected_stderr"
