deep=$(printf 'd/%.0s' $(seq 100000))
printf '@//DEPOT/%sfile.c@\n' "$deep" > want.txt
grep -qF -f want.txt out.ckp
