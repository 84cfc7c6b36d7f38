# Memory running out at every step of three sweeps of address-space limits
# (ulimit -v), from too little to start up to enough to finish: one over
# the loading of a long translation map, two over the scan of a checkpoint
# (on one thread, and on two with a gzip output deflated on threads of its
# own). Every run either ends as it does without a limit (the same
# outputs), or with the out-of-memory message (once, last), exit status
# 255, nothing left in its output directory (no temporary file) and its
# inputs unchanged. Each sweep must run out of memory at least once in the
# step it aims at.
tools=$CASE_DIR/../../../../tools
ZTMIGRATE=$(realpath "$ZTMIGRATE")

# A sanitizer's shadow memory takes more address space than a limit leaves.
if grep -aq -e __asan_init -e __tsan_init -e __msan_init "$ZTMIGRATE"; then
  echo "every limit ended the run cleanly"
  exit 0
fi

set -e
"$ZT_GEN_CHECKPOINT" --size-mb 2 small.ckp > /dev/null 2>&1
"$ZT_GEN_CHECKPOINT" --size-mb 6 --seed 3 mid.ckp > /dev/null 2>&1
"$ZTMIGRATE" -c conflicts.map small.ckp > /dev/null 2>&1 || true
bash "$tools/spread_map.sh" conflicts.map 30000 > long.map
set +e
inputs=$(md5sum small.ckp mid.ckp long.map)
message="	Out of memory: the run was stopped and its unfinished outputs were removed. Run it again with more memory available."
failed=0
fail() {
  echo "$*" >&2
  failed=1
}

# sweep NAME STAGE NEXT ARGS...: runs ztmigrate ARGS, outputs in out/,
# under limits growing by an eighth from 20 MB until a run finishes; counts
# the runs that ran out of memory after printing STAGE and before NEXT.
sweep() {
  local name=$1 stage=$2 next=$3
  shift 3
  rm -rf out && mkdir out
  "$ZTMIGRATE" "$@" > ref.stdout 2> ref.stderr
  local refstatus=$?
  rm -rf ref && mv out ref
  local limit=20000 inStage=0 runs=0
  while ((limit < 4000000)); do
    rm -rf out && mkdir out
    # (A run that hangs fails with the status of timeout, 124.)
    (ulimit -v "$limit" && exec timeout 60 "$ZTMIGRATE" "$@" > run.stdout 2> run.stderr)
    local status=$?
    runs=$((runs + 1))
    if grep -qF "Out of memory" run.stderr; then
      [[ $status == 255 ]] || fail "$name at $limit KB: status $status"
      [[ $(tail -n 2 run.stderr) == "ztmigrate error:"$'\n'"$message" &&
        $(grep -c "Out of memory" run.stderr) == 1 ]] ||
        fail "$name at $limit KB: standard error does not end in the message, once: $(tail -c 300 run.stderr)"
      [[ -z $(ls -A out) ]] || fail "$name at $limit KB: left behind: $(ls -A out)"
      [[ $(md5sum small.ckp mid.ckp long.map) == "$inputs" ]] || fail "$name at $limit KB: an input changed"
      grep -qF "$stage" run.stderr && ! grep -qF "$next" run.stderr && inStage=$((inStage + 1))
    else
      # Enough memory: the run is the run without a limit.
      [[ $status == "$refstatus" ]] || fail "$name at $limit KB: status $status, without a limit $refstatus"
      diff -r ref out > /dev/null || fail "$name at $limit KB: outputs differ from those without a limit"
      break
    fi
    limit=$((limit * 9 / 8))
  done
  ((limit < 4000000)) || fail "$name: no limit up to 4 GB was enough"
  ((inStage > 0)) || fail "$name: no run of $runs ran out of memory in the step after \"$stage\""
}
sweep "map load" "Loading translation map" "Finished Load" -t long.map -c out/c.map -o out/out.ckp small.ckp
sweep "scan" "Starting scan" "Total time to process" --threads 1 -c out/c.map -o out/out.ckp mid.ckp
sweep "scan on two threads" "Starting scan" "Total time to process" -c out/c.map -o out/out.ckp.gz mid.ckp
((failed == 0)) && echo "every limit ended the run cleanly"
exit $failed
