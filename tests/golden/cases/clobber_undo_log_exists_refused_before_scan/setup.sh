# An undo journal that exists may hold an earlier run's moves: it is
# refused before the checkpoint is read, with or without -f.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
mkdir root
echo 'earlier moves' > undo.log
sha256sum undo.log in.ckp > sums.before
