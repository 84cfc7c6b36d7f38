# Every kind of run leaves the input checkpoint and the map byte-identical.
set -u
check() { md5sum -c --quiet sums || { echo "input changed by: $*" >&2; exit 1; }; }
check -c
"$ZTMIGRATE" -t trans.map -c map2.txt -o out.ckp in.ckp >/dev/null 2>&1; check -t -o
"$ZTMIGRATE" -t trans.map -o out.ckp.gz in.ckp >/dev/null 2>&1; check -o .gz
"$ZTMIGRATE" -t trans.map -O outdir in.ckp >/dev/null 2>&1; check -O
"$ZTMIGRATE" -t trans.map -j -o patch.jnl in.ckp >/dev/null 2>&1; check -j
"$ZTMIGRATE" -p lower -o low.ckp in.ckp >/dev/null 2>&1; check -p
"$ZTMIGRATE" -s -o std.ckp in.ckp >/dev/null 2>&1; check -s
"$ZTMIGRATE" -s in.ckp >/dev/null 2>&1; check -s alone
"$ZTMIGRATE" -R -r srv in.ckp >/dev/null 2>&1; check -R
"$ZTMIGRATE" -o in.ckp in.ckp >/dev/null 2>&1; check -o over the input
"$ZTMIGRATE" -s -o in.ckp in.ckp >/dev/null 2>&1; check -s -o over the input
"$ZTMIGRATE" -c in.ckp in.ckp >/dev/null 2>&1; check -c over the input
# The outputs of a parallel checkpoint read back leave its files alone too.
md5sum outdir/* > dirsums
"$ZTMIGRATE" -c map3.txt outdir >/dev/null 2>&1
md5sum -c --quiet dirsums || { echo "parallel input changed" >&2; exit 1; }
