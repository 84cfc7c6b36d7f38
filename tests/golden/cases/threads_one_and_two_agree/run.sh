# Parsing on a second thread changes nothing a run leaves behind: every run
# below is made with --threads 1 and --threads 2, on generated, damaged,
# truncated and failing inputs, and the two must agree on the exit status,
# standard output, standard error (times aside) and every file written.
fixtures=$CASE_DIR/../../fixtures
ZTMIGRATE=$(realpath "$ZTMIGRATE")
ZT_GEN_CHECKPOINT=$(realpath "$ZT_GEN_CHECKPOINT")
set -e
# A sanitizer build runs every program several times slower: a smaller
# checkpoint there, which still spans many read-ahead blocks.
"$ZT_GEN_CHECKPOINT" --size-mb "${ZT_GOLDEN_SIZE_MB:-3}" --seed 11 gen.ckp >/dev/null 2>&1
gzip -c gen.ckp > gen.ckp.gz
# Lines 100, 300 and every 500th cut short (the first of them in the
# records read along with the first), a line of noise and the end cut off.
awk 'NR % 500 == 0 || NR == 100 || NR == 300 { print substr($0, 1, 25); next } NR == 777 { print "@@ x\001y @" } { print }' \
  gen.ckp | head -c -40 > damaged.ckp
perl -e 'srand(20261209); print map { chr(int(rand(256))) } 1 .. 200000' > noise.ckp
head -n 3 "$fixtures/with_notes.ckp" > cut.ckp
head -c $(($(stat -c %s gen.ckp.gz) * 2 / 3)) gen.ckp.gz > cut.ckp.gz
{ head -n 2000 gen.ckp; printf '@pv@ 999 @db.counters@ @change@ 1 \n'; tail -n 5 gen.ckp; } > version.ckp
"$ZT_GEN_CHECKPOINT" --size-mb 3 --seed 12 --dir --split-mb 1 dir >/dev/null 2>&1
cp -r dir baddir
victim=$(ls baddir/db.rev*.ckp | head -n 1)
head -c 100000 "$victim" > cut.tmp && mv cut.tmp "$victim"
echo stray > baddir/README

set +e

# Runs "$@" in run1/ and run2/ with one and two threads, then compares.
both() {
  for t in 1 2; do
    rm -rf "run$t" && mkdir "run$t"
    [[ " $* " == *" ../pipe "* ]] && { cat damaged.ckp > pipe & }
    (cd "run$t" && "$ZTMIGRATE" --threads "$t" "$@" >stdout 2>stderr; echo "$?" >status)
    for f in run$t/stdout run$t/stderr run$t/*.log; do
      [[ -f $f ]] && sed -E -i 's/[0-9]+ ms/N ms/g; s/[0-9]*\.[0-9]+s/Ns/g' "$f"
    done
  done
  if diff -r run1 run2 >/dev/null; then
    echo "same, status $(cat run1/status): $*"
  else
    echo "DIFFER: $*"
    diff -r run1 run2 | head -n 20
  fi
}

for in in gen.ckp gen.ckp.gz damaged.ckp noise.ckp cut.ckp cut.ckp.gz version.ckp dir baddir; do
  both -c map.txt "../$in"
  both -v 3 -c map.txt -o out.ckp "../$in"
  both -s -o conv.ckp "../$in"
done
cp run1/map.txt gen.map 2>/dev/null || true
both -c map.txt ../gen.ckp && cp run1/map.txt gen.map
both -t ../gen.map -c map2.txt -o out.ckp.gz ../gen.ckp
both -t ../gen.map -c map2.txt -O out -l run.log ../damaged.ckp
both -s -O conv ../dir
both -s -O conv ../baddir
# A pipe is parsed by the scan itself whatever the threads.
mkfifo pipe
both -c map.txt -o out.ckp ../pipe
both -s -o conv.ckp ../pipe
exit 0
