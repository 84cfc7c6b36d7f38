# Every archive file now has the case of the edited checkpoint, with its
# content intact, and the report names each rename; timings, the undo
# journal's name and the root's directory are masked. The journal lies beside the archive root.
set -e
(cd ztroot && find . -type f | LC_ALL=C sort) | cmp - "$CASE_DIR/expected_files"
examples=$CASE_DIR/../../../../examples
cmp ztroot/depot/main/src/app.c,v "$examples/ztroot/depot/Main/src/app.c,v"
cmp ztroot/depot/main/art/logo.png,d/1.1 "$examples/ztroot/depot/Main/art/Logo.png,d/1.1"
sed -E -e 's/, [0-9]+ ms$/, N ms/' -e 's|^  /.*/ztroot \(archive root\)$|  DIR/ztroot (archive root)|' -e 's|^Undo journal: .*/ztmigrate-undo-[0-9]{8}-[0-9]{6}\.log$|Undo journal: DIR/ztmigrate-undo-TIME.log|' -e 's/^    time( +)[0-9.]+s$/    time\1Ns/' -e 's/elapsed time [0-9.]+, total: [0-9.]+$/elapsed time T, total: T/' .golden/stderr | cmp - "$CASE_DIR/expected_stderr"
ls ztmigrate-undo-*.log >/dev/null
