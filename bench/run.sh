#!/usr/bin/env bash
# The benchmark suite: runs each workload of a migration on synthetic
# checkpoints of about SIZE_MB megabytes (500 by default) several times and
# prints the medians of wall and CPU seconds beside floors measured in the
# same run on the same files: cat, gzip -dc and gzip -6.
#
# Usage: bench/run.sh [--baseline REV] [--profile NAME] BUILD_DIR [SIZE_MB]
#   BUILD_DIR        a build directory (Release) with the targets ztmigrate,
#                    gen_checkpoint and map_bench built
#   --profile NAME   the generator's profiles to run: "paths" (have lists
#                    and revisions, deep trees), "changes" (descriptions and
#                    changes) or "both" (the default)
#   --baseline REV   also build the commit REV (git archive into bench/data,
#                    ztmigrate only) and run it paired with BUILD_DIR's
#                    ztmigrate, A B A B, on the same inputs: every row then
#                    shows new/old ratios of the medians of wall and CPU, and
#                    the outputs of both must be byte-identical
#   RUNS             environment: runs per workload (default 3)
#   BUSY=1           environment: keep one core busy (`yes > /dev/null`)
#                    while measuring, to see what waiting between threads
#                    costs when the second core is taken
#
# Every translation is also run with --threads 1: its outputs must be the
# same bytes as those of the default threads. The checkpoints are kept in
# bench/data/ (not in git) and reused by later runs of the same size. Exit
# status 0 when every target is met and every output matches, 1 when one is
# missed, 2 on a setup failure.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
baseline=""
profiles="paths changes"
while [[ ${1:-} == --* ]]; do
  case $1 in
    --baseline) baseline=${2:?--baseline needs a commit}; shift 2 ;;
    --profile)
      case ${2:-} in
        both) profiles="paths changes" ;;
        paths | changes) profiles=$2 ;;
        *) echo "unknown profile ${2:-}" >&2; exit 2 ;;
      esac
      shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
build=$(cd "${1:?usage: bench/run.sh [--baseline REV] [--profile NAME] BUILD_DIR [SIZE_MB]}" && pwd)
size=${2:-500}
runs=${RUNS:-3}
zt=$build/ztmigrate
gen=$build/tools/gen_checkpoint
mapbench=$build/bench/map_bench
data=$here/data
work=$(mktemp -d "${TMPDIR:-/tmp}/ztbench.XXXXXX")
busypid=""
cleanup() {
  [[ -n $busypid ]] && kill "$busypid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for tool in "$zt" "$gen" "$mapbench"; do
  [[ -x $tool ]] || { echo "missing $tool: build ztmigrate gen_checkpoint map_bench" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (package time)" >&2; exit 2; }
mkdir -p "$data"

# The baseline: the commit's sources, built once per commit into bench/data.
oldzt=""
if [[ -n $baseline ]]; then
  rev=$(git -C "$root" rev-parse --short "$baseline^{commit}") || exit 2
  basedir=$data/baseline-$rev
  if [[ ! -x $basedir/build/ztmigrate ]]; then
    echo "building $baseline ($rev) in $basedir ..." >&2
    rm -rf "$basedir" && mkdir -p "$basedir/src" || exit 2
    git -C "$root" archive "$rev" | tar -x -C "$basedir/src" || exit 2
    cmake -S "$basedir/src" -B "$basedir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DZT_BUILD_TESTS=OFF -DZT_BUILD_BENCH=OFF -DZT_BUILD_TOOLS=OFF > /dev/null || exit 2
    ninja -C "$basedir/build" ztmigrate > /dev/null || exit 2
  fi
  oldzt=$basedir/build/ztmigrate
fi

if [[ ${BUSY:-0} == 1 ]]; then
  yes > /dev/null &
  busypid=$!
fi

fail=0
mismatch() { echo "MISMATCH: $*" >&2; fail=1; }

# Runs one timed command with /usr/bin/time and appends its wall and CPU
# seconds and peak RSS (KB) to the file $1. Standard output goes to
# /dev/null, standard error to $work/last.err.
timed() {
  local times=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" > /dev/null 2> "$work/last.err"
  # The last line: time puts "Command exited with non-zero status" first
  # when the run ends with a warning.
  tail -n 1 "$work/time.txt" | awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' >> "$times"
}

# measure NAME ARGS...: runs "ztmigrate ARGS" RUNS times; with a baseline,
# the old binary runs before each new run (A B A B) and its times go to
# NAME.old. Every "@OUT@" in ARGS names a directory of outputs emptied
# before each run: $work/new (or $work/old for the baseline), kept after
# the last run for the comparisons. NEWONLY=1 runs the new binary alone
# (an option the baseline may lack).
measure() {
  local name=$1 sides="${oldzt:+old} new"
  shift
  [[ ${NEWONLY:-0} == 1 ]] && sides=new
  : > "$work/$name.times"
  : > "$work/$name.old.times"
  for ((i = 0; i < runs; i++)); do
    local side
    for side in $sides; do
      local bin=$zt args=()
      [[ $side == old ]] && bin=$oldzt
      rm -rf "$work/$side" && mkdir -p "$work/$side"
      for a in "$@"; do args+=("${a//@OUT@/$work/$side}"); done
      if [[ $side == old ]]; then timed "$work/$name.old.times" "$bin" "${args[@]}"
      else timed "$work/$name.times" "$bin" "${args[@]}"; fi
      cp "$work/last.err" "$work/$name.$side.err"
    done
  done
}
# measure_cmd NAME COMMAND...: a floor, RUNS times.
measure_cmd() {
  local name=$1
  shift
  : > "$work/$name.times"
  for ((i = 0; i < runs; i++)); do timed "$work/$name.times" "$@"; done
}
# Median of column k (1 wall, 2 cpu, 3 peak KB) of a workload's runs (of
# the baseline's with a third argument "old").
median() {
  local format="%.2f" file=$work/$1.times
  [[ ${3:-} == old ]] && file=$work/$1.old.times
  [[ $2 == 3 ]] && format="%d"
  cut -d' ' -f"$2" "$file" | sort -g | awk -v f="$format\n" '{ v[NR] = $1 } END {
    if (NR == 0) { print "0"; exit }
    if (NR % 2) m = v[(NR + 1) / 2]; else m = (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf f, m }'
}
# same_outputs LABEL: the outputs of the new binary's last run must equal
# the baseline's, file by file; a .gz output by its content (how the
# deflater cuts its blocks may change between versions, but not between
# thread counts of one version).
same_outputs() {
  [[ -n $oldzt ]] || return 0
  local f old
  for f in "$work/new"/*; do
    [[ -e $f ]] || continue
    old=$work/old/$(basename "$f")
    if [[ $f == *.gz ]]; then
      cmp -s <(gzip -dc "$f") <(gzip -dc "$old") || mismatch "$1: $(basename "$f") holds other records than the baseline's"
    else
      cmp -s "$f" "$old" || mismatch "$1: $(basename "$f") differs from the baseline's"
    fi
  done
}
# keep_outputs DIR: saves the new binary's outputs of the last run.
keep_outputs() { rm -rf "$1" && cp -r "$work/new" "$1"; }
# same_dirs LABEL A B: two saved output directories hold the same bytes.
same_dirs() {
  diff -rq "$2" "$3" > /dev/null || mismatch "$1"
}

# recase FIRST|LOWER MAP: the administrator's edits of a conflict map.
# FIRST turns over the case of the first letter of the last component
# other than "..." of every right side; LOWER lower-cases every right side
# as a whole.
recase() {
  awk -v how="$1" '/^#/ || NF != 2 { print; next }
     how == "LOWER" { print $1, tolower($2); next }
     { right = $2; dots = ""
       if (right ~ /\/\.\.\.$/) { dots = "/..."; right = substr(right, 1, length(right) - 4) }
       i = match(right, /\/[^\/]*$/)
       if (i) {
         rest = substr(right, i + 1); c = substr(rest, 1, 1)
         if (c ~ /[a-z]/) c = toupper(c); else if (c ~ /[A-Z]/) c = tolower(c)
         right = substr(right, 1, i) c substr(rest, 2)
       }
       print $1, right dots }' "$2"
}

rowlist=()
addrow() { rowlist+=("$1|$2|$3|$4|$5"); }  # key label floor target profile

run_profile() {
  local p=$1
  local ckp=$data/${p}_${size}mb.ckp
  local gz=$ckp.gz
  if [[ ! -s $ckp ]]; then
    echo "generating $ckp ..." >&2
    "$gen" --profile "$p" --size-mb "$size" "$ckp" || exit 2
  fi
  if [[ ! -s $gz || $gz -ot $ckp ]]; then
    echo "compressing $gz ..." >&2
    gzip -6 -c "$ckp" > "$gz" || exit 2
  fi
  eval "bytes_$p=\$(stat -L -c %s \"\$ckp\")"
  eval "gzbytes_$p=\$(stat -L -c %s \"\$gz\")"
  cat "$ckp" "$gz" > /dev/null  # warm the page cache

  echo "$p: floors ..." >&2
  measure_cmd "$p.cat" sh -c "cat '$ckp' > /dev/null"
  measure_cmd "$p.gunzip" sh -c "gzip -dc '$gz' > /dev/null"
  addrow "$p.cat" "floor: cat" "" "" "$p"
  addrow "$p.gunzip" "floor: gzip -dc" "" "" "$p"
  if [[ $p == changes ]]; then
    measure_cmd "$p.gzip" sh -c "gzip -6 -c '$ckp' > /dev/null"
    addrow "$p.gzip" "floor: gzip -6" "" "" "$p"
  fi

  # 1. Analysis of the plain file; its conflict map is the start of the
  # translation maps.
  echo "$p: 1. -c ..." >&2
  measure "$p.analyse" -c @OUT@/conflicts.map "$ckp"
  same_outputs "$p 1. -c"
  cp "$work/new/conflicts.map" "$work/$p.conflicts.map"
  keep_outputs "$work/$p.analyse.out"
  NEWONLY=1 measure "$p.analyse1" --threads 1 -c @OUT@/conflicts.map "$ckp"
  same_dirs "$p: -c --threads 1 differs from the default threads" "$work/$p.analyse.out" "$work/new"
  local t1=0.7 t2b=1.3 t3=1.0
  addrow "$p.analyse" "1. -c plain" gunzip "$t1" "$p"
  addrow "$p.analyse1" "1. the same, --threads 1" gunzip "" "$p"

  recase FIRST "$work/$p.conflicts.map" > "$work/$p.first.map"
  recase LOWER "$work/$p.conflicts.map" > "$work/$p.lower.map"
  eval "maplines_$p=\$(grep -vc '^#' \"\$work/\$p.first.map\")"

  # 2. Translations: a new conflict map and an edited checkpoint.
  echo "$p: 2. -t (first letter re-cased) -c -o ..." >&2
  measure "$p.first" -t "$work/$p.first.map" -c @OUT@/conflicts2.map -o @OUT@/out.ckp "$ckp"
  same_outputs "$p 2. -t first letter"
  echo "$p: 2b. -t (whole paths lower-cased) -c -o ..." >&2
  measure "$p.lower" -t "$work/$p.lower.map" -c @OUT@/conflicts2.map -o @OUT@/out.ckp "$ckp"
  same_outputs "$p 2b. -t lower-cased"
  keep_outputs "$work/$p.lower.out"
  NEWONLY=1 measure "$p.lower1" --threads 1 -t "$work/$p.lower.map" -c @OUT@/conflicts2.map -o @OUT@/out.ckp "$ckp"
  same_dirs "$p: -t --threads 1 differs from the default threads" "$work/$p.lower.out" "$work/new"
  addrow "$p.first" "2. -t first letter -c -o" gunzip "" "$p"
  addrow "$p.lower" "2b. -t whole path lower -c -o" gunzip "$t2b" "$p"
  addrow "$p.lower1" "2b. the same, --threads 1" gunzip "" "$p"
  # 2c. Verification of that edited checkpoint against the original: the
  # original read alongside an analysis of the edited one.
  echo "$p: 2c. --verify ..." >&2
  NEWONLY=1 measure "$p.verify" --verify "$ckp" "$work/$p.lower.out/out.ckp"
  # The lower-cased map re-spells the files it lists, not the rest of their
  # directories, so it may leave directories spelt two ways: the edited
  # checkpoint is then not the server's, and --verify must refuse it as the
  # translation itself warned; otherwise it must verify it.
  if grep -q "still contains inconsistencies" "$work/$p.lower.new.err"; then
    grep -q "Not verified:" "$work/$p.verify.new.err" ||
      mismatch "$p: --verify did not refuse an -o output the translation left inconsistent"
  else
    grep -q "Verified:" "$work/$p.verify.new.err" || mismatch "$p: --verify did not verify the -o output"
  fi
  addrow "$p.verify" "2c. --verify plain vs its -o" analyse 2.5 "$p"

  # 3. Analysis of the gzip file: the same conflict map.
  echo "$p: 3. -c on .gz ..." >&2
  measure "$p.analysegz" -c @OUT@/conflicts.map "$gz"
  same_outputs "$p 3. -c .gz"
  cmp -s "$work/$p.conflicts.map" "$work/new/conflicts.map" || mismatch "$p: .gz analysis gave another conflict map"
  addrow "$p.analysegz" "3. -c .gz" gunzip "$t3" "$p"

  [[ $p == changes ]] || return 0
  # 4. Translation into a gzip file. Its content must be that of the plain
  # output, and its bytes those of a run on one thread.
  echo "$p: 4. -t -o .gz ..." >&2
  measure "$p.gzout" -t "$work/$p.first.map" -o @OUT@/out.ckp.gz "$ckp"
  same_outputs "$p 4. -t -o .gz"
  keep_outputs "$work/$p.gzout.out"
  gzip -t "$work/new/out.ckp.gz" || mismatch "the .gz output fails gzip -t"
  "$zt" -t "$work/$p.first.map" -o "$work/plain.ckp" "$ckp" > /dev/null 2>&1
  gzip -dc "$work/new/out.ckp.gz" | cmp -s - "$work/plain.ckp" ||
    mismatch "the .gz output does not hold the plain output"
  outbytes=$(stat -c %s "$work/plain.ckp")
  outgzbytes=$(stat -c %s "$work/new/out.ckp.gz")
  rm -f "$work/plain.ckp"
  NEWONLY=1 measure "$p.gzout1" --threads 1 -t "$work/$p.first.map" -o @OUT@/out.ckp.gz "$ckp"
  same_dirs "--threads 1 and 2 give different .gz bytes" "$work/$p.gzout.out" "$work/new"
  addrow "$p.gzout" "4. -t -o .gz (2 threads)" gzip 0.6 "$p"
  addrow "$p.gzout1" "4. the same, --threads 1" gzip "" "$p"

  # 4b. A parallel checkpoint of .gz table files made from the same
  # generator settings, rewritten with -O.
  local pdir=$data/${p}_${size}mb.dir
  if [[ ! -d $pdir ]]; then
    echo "generating $pdir ..." >&2
    "$gen" --profile "$p" --size-mb "$size" --dir --gzip "$pdir" > /dev/null 2>&1 || exit 2
  fi
  echo "$p: 4b. parallel .gz input, -O ..." >&2
  measure "$p.paralleldir" -O @OUT@/outdir "$pdir"
  [[ -n $oldzt ]] && { diff -rq "$work/new/outdir" "$work/old/outdir" > /dev/null ||
    mismatch "4b. -O differs from the baseline's"; }
  addrow "$p.paralleldir" "4b. -O from .gz tables" gzip 0.6 "$p"
  ckp_changes=$ckp
}

for p in $profiles; do run_profile "$p"; done

# --- the table ---------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
printf "\n%s runs each, medians%s%s\n" "$runs" "${oldzt:+; baseline $baseline run paired (A B A B)}" \
  "$([[ ${BUSY:-0} == 1 ]] && echo "; one core kept busy by yes")"
lastp=""
for r in "${rowlist[@]}"; do
  IFS='|' read -r key label floor target p <<< "$r"
  if [[ $p != "$lastp" ]]; then
    lastp=$p
    b=bytes_$p; g=gzbytes_$p; m=maplines_$p
    printf "\nprofile %s: checkpoint %.0f MB (%.0f MB gzip), conflict map of %s lines\n" "$p" \
      "$(awk -v b="${!b}" 'BEGIN { print b / 1048576 }')" "$(awk -v b="${!g}" 'BEGIN { print b / 1048576 }')" \
      "${!m:-?}"
    printf "%-32s %7s %7s %8s %7s  %-22s" workload "wall s" "cpu s" "peak MB" ratio target
    [[ -n $oldzt ]] && printf " %9s %9s" "new/old w" "new/old c"
    printf "\n"
  fi
  w=$(median "$key" 1); c=$(median "$key" 2); k=$(median "$key" 3)
  rr="" verdict=""
  if [[ -n $floor ]]; then
    rr=$(ratio "$w" "$(median "$p.$floor" 1)")
    if [[ -n $target ]]; then
      if awk -v r="$rr" -v t="$target" 'BEGIN { exit !(r <= t) }'; then verdict="<= $target x $floor ok"
      else verdict="<= $target x $floor MISSED"; fail=1; fi
    fi
  fi
  printf "%-32s %7s %7s %8.1f %7s  %-22s" "$label" "$w" "$c" "$(awk -v k="$k" 'BEGIN { print k / 1024 }')" \
    "$rr" "$verdict"
  if [[ -n $oldzt && -s $work/$key.old.times ]]; then
    printf " %9s %9s" "$(ratio "$w" "$(median "$key" 1 old)")" "$(ratio "$c" "$(median "$key" 2 old)")"
  fi
  printf "\n"
done

[[ $profiles == *changes* ]] || exit $fail
ckp=$ckp_changes
# 5. Memory: the tree's entry count from the statistics (verbosity 3), and
# the peak RSS of a run on a tiny checkpoint as the program's own baseline.
# Bytes per node = (peak RSS of the analysis - baseline) / nodes: an upper
# bound, as it charges the reader's buffers and the conflict map writer to
# the tree.
"$zt" -v3 -c "$work/stats.map" "$ckp" > /dev/null 2> "$work/stats.err"
nodes=$(awk -F: '/^Nodes in tree/ { gsub(/ /, "", $2); print $2 }' "$work/stats.err")
"$gen" --size-mb 0.01 "$work/tiny.ckp" 2> /dev/null
measure_cmd baseline "$zt" -f -c "$work/tiny.map" "$work/tiny.ckp"
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

basekb=$(median baseline 3)
peakkb=0
for w in changes.analyse changes.analysegz; do
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
analysekb=$(median changes.analyse 3)
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
