# Two runs writing -O into one directory at once: the second is refused
# while the first holds the directory, and the directory holds exactly
# one run's tables.
"$ZT_GEN_CHECKPOINT" --size-mb 20 --seed 1 --variants 0 big.ckp >/dev/null
"$ZT_GEN_CHECKPOINT" --size-mb 1 --seed 2 --variants 0 small.ckp >/dev/null
"$ZTMIGRATE" -q -O ref big.ckp 2>/dev/null
"$ZTMIGRATE" -q -O out big.ckp 2>a.txt & a=$!
for i in $(seq 100); do [[ -n $(ls -A out 2>/dev/null | grep ztmigrate-) ]] && break; sleep 0.05; done
"$ZTMIGRATE" -q -O out small.ckp 2>b.txt; echo "second $?"
wait $a; echo "first $?"
grep -c 'is being written by another run' b.txt
diff -r out ref && echo "one run's tables"
