cmp "$CASE_DIR/map2.expected" map2.txt
# The edited checkpoint is still written, with the mapped paths re-spelled.
grep -q '^@pv@ 1 @db.excl@ @//depot/main/read.me@ ' out.ckp
grep -q '^@pv@ 1 @db.excl@ @//depot/My Docs/x.txt@ ' out.ckp
grep -q '^@pv@ 1 @db.excl@ @//depot/my docs/y.txt@ ' out.ckp
