# The archive tree is exactly the example's and no journal was written.
diff -r ztroot "$CASE_DIR/../../../../examples/ztroot"
[[ $(ls -A | grep -v '^\.golden$' | tr '\n' ' ') == "edited.ckp ztroot " ]]
[[ $(grep -c '^Would rename ' .golden/stderr) == 5 ]]
