# With -f the file a link points to is replaced, written beside it: the
# link stays a link, and a dangling link gets its file.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
mkdir t
ln -s t/missing.ckp dangling.ckp
echo keep > t/target.ckp
ln -s t/target.ckp live.ckp
"$ZTMIGRATE" -q -o ref.ckp in.ckp 2>/dev/null
"$ZTMIGRATE" -q -f -o dangling.ckp in.ckp 2>/dev/null; echo "dangling $?"
"$ZTMIGRATE" -q -f -o live.ckp in.ckp 2>/dev/null; echo "live $?"
[[ -L dangling.ckp && -L live.ckp ]] && echo "links stay links"
cmp t/missing.ckp ref.ckp && cmp t/target.ckp ref.ckp && echo "targets written whole"
ls -A . t | grep -c ztmigrate- || true
