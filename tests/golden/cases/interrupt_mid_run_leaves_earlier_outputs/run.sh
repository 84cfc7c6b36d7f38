# SIGINT while the edited checkpoint is being written: the run stops on its
# own path with status 130, removes its temporary files and leaves the
# outputs of an earlier run exactly as they were. The checkpoint comes
# through a pipe that pauses half-way, so the signal always lands mid-run.
# Job control on, so that the background run does not start with SIGINT
# ignored (as a shell script's background jobs otherwise do).
set -m
"$ZT_GEN_CHECKPOINT" --size-mb 8 --seed 7 --variants 0 big.ckp >/dev/null
mkfifo in.ckp
{ head -c 4000000 big.ckp; sleep 2; tail -c +4000001 big.ckp; } >in.ckp &
printf 'earlier checkpoint\n' > out.ckp.gz
printf 'earlier map\n' > map.txt
cp out.ckp.gz saved.gz; cp map.txt saved.map
"$ZTMIGRATE" -f -c map.txt -o out.ckp.gz in.ckp 2>err.txt &
pid=$!
for _ in $(seq 1 500); do
  ls -A | grep -q '^\.out\.ckp\.gz\.ztmigrate-' && break
  sleep 0.01
done
sleep 0.5
kill -INT $pid
wait $pid
echo "status $?"
wait
cmp saved.gz out.ckp.gz && cmp saved.map map.txt && echo "earlier outputs intact"
ls -A | grep -c ztmigrate- || true
grep -q "Interrupted by signal 2" err.txt && echo "reported"
grep -q "Success" err.txt && echo "claimed success"
exit 0
