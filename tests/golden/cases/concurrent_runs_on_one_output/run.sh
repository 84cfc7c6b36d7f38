# Two runs write the same -o at once: each writes its own temporary file
# and reports only on it; the first to finish gives it its name, and the
# other is refused (before its scan, or at its commit) rather than replace
# it: the file left is one of the two complete outputs.
"$ZT_GEN_CHECKPOINT" --size-mb 20 --seed 1 --variants 0 big.ckp >/dev/null
"$ZT_GEN_CHECKPOINT" --size-mb 1 --seed 2 --variants 0 small.ckp >/dev/null
"$ZTMIGRATE" -o ref-big.ckp big.ckp 2>/dev/null
"$ZTMIGRATE" -o ref-small.ckp small.ckp 2>/dev/null
"$ZTMIGRATE" -o out.ckp big.ckp 2>a.txt & a=$!
"$ZTMIGRATE" -o out.ckp small.ckp 2>b.txt & b=$!
wait $a; sa=$?
wait $b; sb=$?
echo "status $(printf '%s\n' $sa $sb | sort -n | tr '\n' ' ')"
if cmp -s out.ckp ref-big.ckp || cmp -s out.ckp ref-small.ckp; then echo "one whole output"; fi
ls -A | grep -c ztmigrate- || true
exit 0
