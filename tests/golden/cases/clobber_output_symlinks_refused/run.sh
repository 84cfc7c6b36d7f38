# An output name that is a symbolic link, dangling or live, is refused
# without -f: nothing is written through the link or over it.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
ln -s missing.ckp dangling.ckp
echo keep > target.ckp
ln -s target.ckp live.ckp
mkdir dir && ln -s dir dirlink
sha256sum target.ckp in.ckp > sums.before
"$ZTMIGRATE" -q -o dangling.ckp in.ckp 2>err1; echo "dangling $?"
"$ZTMIGRATE" -q -o live.ckp in.ckp 2>err2; echo "live $?"
"$ZTMIGRATE" -q -O dirlink in.ckp 2>err3; echo "directory $?"
grep -h 'is a symbolic link' err1 err2 err3 | sed 's/ nothing.*//; s/^\t//'
[[ -L dangling.ckp && ! -e missing.ckp ]] && echo "dangling link unchanged"
[[ -L live.ckp ]] && sha256sum -c --quiet sums.before && echo "live link and target unchanged"
[[ -z $(ls -A dir) ]] && echo "directory empty"
