# -f -o through a dangling and a live link while the disk fills, and
# with the process killed at the commit: the target is never partly
# written, and the link stays a link.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
mkdir t
ln -s t/gone.ckp dangling.ckp
echo keep > t/kept.ckp
ln -s t/kept.ckp live.ckp
sha256sum t/kept.ckp > sums.before
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:verify_asan_link_order=0:detect_leaks=0
LD_PRELOAD=$ZT_FAULT_SHIM ZT_FAULT_PATH=gone ZT_FAULT_WRITE_AFTER=100 \
  "$ZTMIGRATE" -q -f -o dangling.ckp in.ckp 2>/dev/null; echo "dangling full $?"
LD_PRELOAD=$ZT_FAULT_SHIM ZT_FAULT_PATH=kept ZT_FAULT_WRITE_AFTER=100 \
  "$ZTMIGRATE" -q -f -o live.ckp in.ckp 2>/dev/null; echo "live full $?"
[[ ! -e t/gone.ckp ]] && sha256sum -c --quiet sums.before && echo "nothing written under the names"
ls -A t | grep -c ztmigrate- || true
LD_PRELOAD=$ZT_FAULT_SHIM ZT_FAULT_KILL_AT=1 "$ZTMIGRATE" -q -f -o dangling.ckp in.ckp 2>/dev/null
echo "dangling killed $?"
LD_PRELOAD=$ZT_FAULT_SHIM ZT_FAULT_KILL_AT=1 "$ZTMIGRATE" -q -f -o live.ckp in.ckp 2>/dev/null
echo "live killed $?"
[[ ! -e t/gone.ckp ]] && sha256sum -c --quiet sums.before && echo "still nothing under the names"
[[ -L dangling.ckp && -L live.ckp ]] && echo "links stay links"
