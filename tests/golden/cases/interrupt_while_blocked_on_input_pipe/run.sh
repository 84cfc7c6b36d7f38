# The checkpoint comes through a pipe that stalls: the main thread never
# sees the signal, so after its grace time the program removes the
# temporary output itself and ends with 128 + SIGTERM.
mkfifo in.ckp
"$ZTMIGRATE" -o out.ckp in.ckp 2>err.txt &
pid=$!
exec 3>in.ckp
printf '@pv@ 1 @db.counters@ @change@ 42 \n' >&3
for _ in $(seq 1 500); do
  ls -A | grep -q '^\.out\.ckp\.ztmigrate-' && break
  sleep 0.01
done
kill -TERM $pid
wait $pid
echo "status $?"
exec 3>&-
[[ -e out.ckp ]] && echo "output exists"
ls -A | grep -c ztmigrate- || true
grep -q "interrupted" err.txt && echo "reported"
exit 0
