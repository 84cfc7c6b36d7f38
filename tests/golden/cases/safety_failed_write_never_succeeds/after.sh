# The other outputs on a full disk: gzip-compressed, journal patch with a
# changed row, and the edited checkpoint beside a conflict map.
fail() { echo "$*" >&2; exit 1; }
run() {
  "$ZTMIGRATE" "$@" >run.out 2>&1
  local rc=$?
  [[ $rc == 255 ]] || fail "exit $rc for: $*"
  grep -q 'Success:' run.out && fail "success reported for: $*"
  return 0
}
run -t trans.map -o full.ckp.gz in.ckp
run -t trans.map -j -o full.jnl in.ckp
run -t trans.map -c map.txt -o full.ckp in.ckp
[[ -c full.ckp || -L full.ckp ]] || fail "the device was replaced"
