#!/usr/bin/env bash
# The benchmark suite: runs each workload of a migration on a synthetic
# checkpoint of about SIZE_MB megabytes (500 by default) several times and
# prints the medians beside floors measured in the same run on the same
# files: cat, gzip -dc and gzip -6.
#
# Usage: bench/run.sh BUILD_DIR [SIZE_MB]
#   BUILD_DIR  a build directory (Release) with the targets ztmigrate,
#              gen_checkpoint and map_bench built
#   RUNS       environment: runs per workload (default 3)
#
# The checkpoint and its .gz are kept in bench/data/ (not in git) and reused
# by later runs of the same size. Exit status 0 when every target is met, 1
# when one is missed, 2 on a setup failure.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: bench/run.sh BUILD_DIR [SIZE_MB]}" && pwd)
size=${2:-500}
runs=${RUNS:-3}
zt=$build/ztmigrate
gen=$build/tools/gen_checkpoint
mapbench=$build/bench/map_bench
data=$here/data
work=$(mktemp -d "${TMPDIR:-/tmp}/ztbench.XXXXXX")
trap 'rm -rf "$work"' EXIT

for tool in "$zt" "$gen" "$mapbench"; do
  [[ -x $tool ]] || { echo "missing $tool: build ztmigrate gen_checkpoint map_bench" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (package time)" >&2; exit 2; }

mkdir -p "$data"
ckp=$data/checkpoint_${size}mb.ckp
gz=$ckp.gz
if [[ ! -s $ckp ]]; then
  echo "generating $ckp ..." >&2
  "$gen" --size-mb "$size" "$ckp" || exit 2
fi
if [[ ! -s $gz || $gz -ot $ckp ]]; then
  echo "compressing $gz ..." >&2
  gzip -6 -c "$ckp" > "$gz" || exit 2
fi
bytes=$(stat -L -c %s "$ckp")
gzbytes=$(stat -L -c %s "$gz")

# Runs "$@" RUNS times with /usr/bin/time and records each run's wall and
# CPU seconds and peak RSS (KB) in $work/<name>.times. Standard output goes
# to /dev/null, standard error to $work/<name>.err.
measure() {
  local name=$1
  shift
  : > "$work/$name.times"
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" > /dev/null 2> "$work/$name.err"
    # The last line: time puts "Command exited with non-zero status" first
    # when the run ends with a warning.
    tail -n 1 "$work/time.txt" |
      awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' >> "$work/$name.times"
  done
}
# Median of column k (1 wall, 2 cpu, 3 peak KB) of a workload's runs.
median() {
  local format="%.2f"
  [[ $2 == 3 ]] && format="%d"
  cut -d' ' -f"$2" "$work/$1.times" | sort -g | awk -v f="$format\n" '{ v[NR] = $1 } END {
    if (NR % 2) m = v[(NR + 1) / 2]; else m = (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf f, m }'
}

cat "$ckp" "$gz" > /dev/null  # warm the page cache

echo "floors ..." >&2
measure cat sh -c "cat '$ckp' > /dev/null"
measure gunzip sh -c "gzip -dc '$gz' > /dev/null"
measure gzip sh -c "gzip -6 -c '$ckp' > /dev/null"

# 1. Analysis of the plain file; the conflict map it writes is the start of
# the translation map.
echo "workload 1: -c ..." >&2
measure analyse "$zt" -c "$work/conflicts.map" "$ckp"
# The administrator's edit: every third mapping gets the other spelling of
# its last component (the case of its first letter turned over).
awk '/^#/ || NF != 2 { print; next }
     { n++; right = $2
       if (n % 3 == 0) {
         i = match(right, /\/[^\/]*$/)
         if (i) {
           rest = substr(right, i + 1); c = substr(rest, 1, 1)
           if (c ~ /[a-z]/) c = toupper(c); else if (c ~ /[A-Z]/) c = tolower(c)
           right = substr(right, 1, i) c substr(rest, 2)
         }
       }
       print $1, right }' "$work/conflicts.map" > "$work/edited.map"
maplines=$(grep -vc '^#' "$work/edited.map")

# 2. Translation of the plain file with that map, a new conflict map and an
# edited checkpoint.
echo "workload 2: -t -c -o ..." >&2
measure translate "$zt" -t "$work/edited.map" -c "$work/conflicts2.map" -o "$work/out.ckp" "$ckp"
outbytes=$(stat -c %s "$work/out.ckp")
# 2c. Verification of that edited checkpoint against the original: the
# original read alongside an analysis of the edited one.
echo "workload 2c: --verify ..." >&2
measure verify "$zt" --verify "$ckp" "$work/out.ckp"
grep -q "Verified:" "$work/verify.err" || echo "warning: --verify did not verify the -o output" >&2
rm -f "$work/out.ckp"

# 2b. The realistic translation: the whole conflict map with every right
# side re-cased (the first letter of its last component other than "..."
# turned over), so that nearly every line changes a path.
awk '/^#/ || NF != 2 { print; next }
     { right = $2; dots = ""
       if (right ~ /\/\.\.\.$/) { dots = "/..."; right = substr(right, 1, length(right) - 4) }
       i = match(right, /\/[^\/]*$/)
       if (i) {
         rest = substr(right, i + 1); c = substr(rest, 1, 1)
         if (c ~ /[a-z]/) c = toupper(c); else if (c ~ /[A-Z]/) c = tolower(c)
         right = substr(right, 1, i) c substr(rest, 2)
       }
       print $1, right dots }' "$work/conflicts.map" > "$work/recased.map"
realmaplines=$(grep -vc '^#' "$work/recased.map")
echo "workload 2b: -t (every line re-cased) -c -o ..." >&2
measure translatereal "$zt" -t "$work/recased.map" -c "$work/conflicts2b.map" -o "$work/out.ckp" "$ckp"
rm -f "$work/out.ckp"

# 3. Analysis of the gzip file.
echo "workload 3: -c on .gz ..." >&2
measure analysegz "$zt" -c "$work/conflicts3.map" "$gz"
cmp -s "$work/conflicts.map" "$work/conflicts3.map" || echo "warning: .gz analysis gave another conflict map" >&2

# 4. Translation into a gzip file. Its content must be that of the plain
# output of the same run, and its bytes those of a run on one thread.
echo "workload 4: -t -o .gz ..." >&2
measure translategz "$zt" -t "$work/edited.map" -o "$work/out.ckp.gz" "$ckp"
outgzbytes=$(stat -c %s "$work/out.ckp.gz")
"$zt" -t "$work/edited.map" -o "$work/out.ckp" "$ckp" > /dev/null 2>&1
gzip -t "$work/out.ckp.gz" || echo "warning: the .gz output fails gzip -t" >&2
gzip -dc "$work/out.ckp.gz" | cmp -s - "$work/out.ckp" ||
  echo "warning: the .gz output does not hold the plain output" >&2
# The same on 1 thread: how the time scales, and the very same bytes.
echo "workload 4, --threads 1 ..." >&2
measure translategz1 "$zt" --threads 1 -t "$work/edited.map" -o "$work/out1.ckp.gz" "$ckp"
cmp -s "$work/out.ckp.gz" "$work/out1.ckp.gz" ||
  echo "warning: --threads 1 and 2 give different .gz bytes" >&2
rm -f "$work/out.ckp" "$work/out.ckp.gz" "$work/out1.ckp.gz"

# 4b. A parallel checkpoint of .gz table files made from the same
# generator settings, rewritten with -O: reading and decompressing the
# tables against gzip -6 of about the same bytes.
pdir=$data/checkpoint_${size}mb.dir
if [[ ! -d $pdir ]]; then
  echo "generating $pdir ..." >&2
  "$gen" --size-mb "$size" --dir --gzip "$pdir" > /dev/null 2>&1 || exit 2
fi
echo "workload 4b: parallel .gz input, -O ..." >&2
measure paralleldir sh -c "rm -rf '$work/outdir' && '$zt' -O '$work/outdir' '$pdir'"

# 5. Memory: the tree's entry count from the statistics (verbosity 3), and
# the peak RSS of a run on a tiny checkpoint as the program's own baseline.
# Bytes per node = (peak RSS of the analysis - baseline) / nodes: an upper
# bound, as it charges the reader's buffers and the conflict map writer to
# the tree.
"$zt" -v3 -c "$work/stats.map" "$ckp" > /dev/null 2> "$work/stats.err"
nodes=$(awk -F: '/^Nodes in tree/ { gsub(/ /, "", $2); print $2 }' "$work/stats.err")
"$gen" --size-mb 0.01 "$work/tiny.ckp" 2> /dev/null
measure baseline "$zt" -c "$work/tiny.map" "$work/tiny.ckp"
# The same records twice (through a pipe, no second copy on disk) enter no
# new node: the peak must not grow with the record count.
mkfifo "$work/twice.fifo"
( cat "$ckp" "$ckp" > "$work/twice.fifo" ) &
/usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$zt" -c "$work/twice.map" "$work/twice.fifo" \
  > /dev/null 2> "$work/twice.err"
wait
twicekb=$(tail -n 1 "$work/time.txt" | awk '{ print $4 }')

# 6. A 100k-line translation map: load and disambiguation.
echo "workload 6: map_bench ..." >&2
"$mapbench" 100000 300000 > "$work/mapbench.txt" 2>&1
mapload=$(awk '/^load \+ disambiguate/ { print $4 }' "$work/mapbench.txt")
# The same number of lines in one partition: a tree of nested directories.
/usr/bin/time -f "%M" -o "$work/tree-peak.txt" "$mapbench" 100000 100000 1 1 tree \
  > "$work/mapbench-tree.txt" 2>&1
treekb=$(tail -n 1 "$work/tree-peak.txt")
treeload=$(awk '/^load \+ disambiguate/ { print $4 }' "$work/mapbench-tree.txt")
treeentries=$(awk '/^map lines/ { print $NF }' "$work/mapbench-tree.txt")

# --- the table ---------------------------------------------------------------
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1048576 }')
gzmb=$(awk -v b="$gzbytes" 'BEGIN { printf "%.0f", b / 1048576 }')
fail=0
printf "\ncheckpoint %s MB (%s MB gzip), %s runs each, medians; %s map lines (%s re-cased)\n\n" \
  "$mb" "$gzmb" "$runs" "$maplines" "$realmaplines"
printf "%-34s %8s %8s %8s %9s %8s  %s\n" workload "wall s" "cpu s" "MB/s" "peak MB" ratio target
row() {  # name label floor-name target
  local w c k r verdict=""
  w=$(median "$1" 1); c=$(median "$1" 2); k=$(median "$1" 3)
  r=""
  if [[ -n ${3:-} ]]; then
    r=$(awk -v a="$w" -v b="$(median "$3" 1)" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }')
    if [[ -n ${4:-} ]]; then
      if awk -v r="$r" -v t="$4" 'BEGIN { exit !(r <= t) }'; then verdict="<= $4 x $3  ok"
      else verdict="<= $4 x $3  MISSED"; fail=1; fi
    fi
  fi
  printf "%-34s %8s %8s %8s %9s %8s  %s\n" "$2" "$w" "$c" \
    "$(awk -v m="$mb" -v t="$w" 'BEGIN { if (t > 0) printf "%.0f", m / t; else print "-" }')" \
    "$(awk -v k="$k" 'BEGIN { printf "%.1f", k / 1024 }')" "$r" "$verdict"
}
row cat "floor: cat" "" ""
row gunzip "floor: gzip -dc" "" ""
row gzip "floor: gzip -6" "" ""
row analyse "1. -c plain" gunzip 0.7
row translate "2. -t -c -o plain" gunzip 1.5
row translatereal "2b. -t all re-cased -c -o plain" gunzip 1.3
row verify "2c. --verify plain vs its -o" analyse 2.5
row analysegz "3. -c .gz" gunzip 1.0
row translategz "4. -t -o .gz (2 threads)" gzip 0.6
row translategz1 "4. -t -o .gz --threads 1" gzip ""
row paralleldir "4b. -O from .gz tables" gzip 0.6
awk -v a="$(median translategz1 1)" -v b="$(median translategz 1)" 'BEGIN {
  if (b > 0) printf "   --threads 2 runs workload 4 %.2f x faster than --threads 1\n", a / b }'

basekb=$(median baseline 3)
peakkb=0
for w in analyse analysegz; do
  k=$(median "$w" 3)
  (( k > peakkb )) && peakkb=$k
done
printf "\npath tree: %s nodes; output %s MB plain, %s MB gzip\n" "$nodes" \
  "$(awk -v b="$outbytes" 'BEGIN { printf "%.0f", b / 1048576 }')" \
  "$(awk -v b="$outgzbytes" 'BEGIN { printf "%.0f", b / 1048576 }')"
awk -v p="$peakkb" -v b="$basekb" -v n="$nodes" -v t="$twicekb" 'BEGIN {
  printf "peak RSS of 1 and 3 %.1f MB, baseline %.1f MB, %.0f bytes per node (RSS growth / nodes)\n",
    p / 1024, b / 1024, (n > 0) ? (p - b) * 1024 / n : 0
  printf "same records twice: peak %.1f MB (once: see row 1)\n", t / 1024 }'
limitkb=$(awk -v n="$nodes" 'BEGIN { printf "%d", 65536 + n * 120 / 1024 }')
analysekb=$(median analyse 3)
if (( peakkb <= limitkb )); then
  printf "5. peak memory of the analysis %s KB <= 64 MB + 120 B/node = %s KB  ok\n" "$peakkb" "$limitkb"
else
  printf "5. peak memory of the analysis %s KB > 64 MB + 120 B/node = %s KB  MISSED\n" "$peakkb" "$limitkb"
  fail=1
fi
# Growth by more than a few pages counts as growing with the records.
if (( twicekb > analysekb + 2048 )); then
  printf "   peak grows with the record count (%s KB for twice the records, %s KB once)  MISSED\n" \
    "$twicekb" "$analysekb"
  fail=1
fi
if [[ -n $mapload ]] && awk -v s="$mapload" 'BEGIN { exit !(s < 2.0) }'; then
  printf "6. 100k-line map load + disambiguation %s s CPU < 2 s  ok\n" "$mapload"
else
  printf "6. 100k-line map load + disambiguation %s s CPU: MISSED\n" "${mapload:-?}"
  fail=1
fi
grep -E '^(map lines|translate)' "$work/mapbench.txt" | sed 's/^/   /'
printf "   one partition of 100k nested lines: %s s CPU, %s entries after disambiguation\n" \
  "${treeload:-?}" "${treeentries:-?}"
# Map memory: the peak of that run over its lines (the run's own strings
# and samples included, so an upper bound).
if awk -v k="${treekb:-0}" 'BEGIN { exit !(k > 0 && k * 1024 / 100000 <= 1024) }'; then
  printf "7. map memory %s KB peak for 100k lines <= 1 KB per line  ok\n" "$treekb"
else
  printf "7. map memory %s KB peak for 100k lines: %.0f B per line > 1 KB  MISSED\n" "${treekb:-?}" \
    "$(awk -v k="${treekb:-0}" 'BEGIN { print k * 1024 / 100000 }')"
  fail=1
fi
exit $fail
