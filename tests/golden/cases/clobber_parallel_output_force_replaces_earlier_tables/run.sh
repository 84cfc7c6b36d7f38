# -O into a directory holding an earlier run's tables is refused; with -f
# they are replaced, and a table this run does not write is removed, so
# the directory never mixes two runs.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
mkdir out
echo stale > out/db.rev.ckp
echo stale > out/db.gone.ckp
echo notes > out/README
sha256sum out/db.rev.ckp out/db.gone.ckp > sums.before
"$ZTMIGRATE" -q -O out in.ckp 2>err; echo "refused $?"
grep -c 'already holds checkpoint table files' err
sha256sum -c --quiet sums.before && echo "earlier tables unchanged"
"$ZTMIGRATE" -q -O ref in.ckp 2>/dev/null
"$ZTMIGRATE" -q -f -O out in.ckp 2>/dev/null; echo "forced $?"
ls -A out
diff -r -x README out ref && echo "tables of this run only"
