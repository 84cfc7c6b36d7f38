#!/usr/bin/env bash
# Memory of a long translation map: a map of LINES lines (a million by
# default), each in a partition of its own, made by tools/spread_map.sh out
# of the conflict map of a small generated checkpoint, is loaded by a run
# that translates that checkpoint (-t MAP -c OUT). Prints the peak RSS of
# the run, the peak RSS of the same run without the map (the program's own
# baseline), the bytes per line of both measures, and the wall and CPU
# seconds. Also runs it under an address space of 4 GB (ulimit -v), where
# it must finish.
#
# Usage: bench/map_memory.sh BUILD_DIR [LINES]
#   BUILD_DIR   a build directory with ztmigrate and tools/gen_checkpoint
#   RUNS        environment: runs of each measure (default 3, medians shown)
# Exit status 0 when the peak is at most 1 KB per line and the limited run
# finishes, 1 when not, 2 on a setup failure.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:?usage: bench/map_memory.sh BUILD_DIR [LINES]}" && pwd)
lines=${2:-1000000}
runs=${RUNS:-3}
zt=$build/ztmigrate
gen=$build/tools/gen_checkpoint
work=$(mktemp -d "${TMPDIR:-/tmp}/ztmapmem.XXXXXX")
trap 'rm -rf "$work"' EXIT
for tool in "$zt" "$gen"; do
  [[ -x $tool ]] || { echo "missing $tool: build ztmigrate and gen_checkpoint" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (package time)" >&2; exit 2; }

"$gen" --size-mb 2 "$work/small.ckp" 2> /dev/null || exit 2
"$zt" -c "$work/conflicts.map" "$work/small.ckp" > /dev/null 2>&1
[[ -s $work/conflicts.map ]] || { echo "the small checkpoint gave no conflict map" >&2; exit 2; }
"$root/tools/spread_map.sh" "$work/conflicts.map" "$lines" > "$work/big.map" || exit 2
mapmb=$(stat -c %s "$work/big.map" | awk '{ printf "%.0f", $1 / 1048576 }')

# measure NAME ARGS...: RUNS runs of ztmigrate ARGS; "wall cpu peakKB" lines.
measure() {
  local name=$1
  shift
  : > "$work/$name.times"
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/out.map"
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$zt" "$@" > /dev/null 2> "$work/$name.err"
    tail -n 1 "$work/time.txt" | awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' >> "$work/$name.times"
  done
}
median() {
  cut -d' ' -f"$2" "$work/$1.times" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "loading a map of $lines lines ($mapmb MB) ..." >&2
measure base -c "$work/out.map" "$work/small.ckp"
measure map -t "$work/big.map" -c "$work/out.map" "$work/small.ckp"
grep -q "TransMap entries, $((lines + $(grep -c '^#' "$work/conflicts.map")))" "$work/map.err" ||
  { echo "the map did not load whole:" >&2; tail -n 5 "$work/map.err" >&2; exit 2; }
basekb=$(median base 3)
peakkb=$(median map 3)
# Under the limit the run must end as without it: with its conflict map
# written (its status tells of the conflicts that remain).
rm -f "$work/out.map"
( ulimit -v 4000000 && "$zt" -t "$work/big.map" -c "$work/out.map" "$work/small.ckp" > /dev/null 2> "$work/limited.err" )
limited=$?
[[ -s $work/out.map ]] && limited=0

printf "\nmap of %d lines, one partition each (%s MB), %d runs, medians\n" "$lines" "$mapmb" "$runs"
printf "%-34s %7s %7s %9s %12s\n" workload "wall s" "cpu s" "peak MB" "B per line"
printf "%-34s %7s %7s %9.1f %12s\n" "without the map" "$(median base 1)" "$(median base 2)" \
  "$(awk -v k="$basekb" 'BEGIN { print k / 1024 }')" -
printf "%-34s %7s %7s %9.1f %12.0f\n" "-t MAP (load, scan, conflict map)" "$(median map 1)" \
  "$(median map 2)" "$(awk -v k="$peakkb" 'BEGIN { print k / 1024 }')" \
  "$(awk -v k="$peakkb" -v n="$lines" 'BEGIN { print k * 1024 / n }')"
printf "%-34s %7s %7s %9s %12.0f\n" "  the map's own (peak - baseline)" "" "" "" \
  "$(awk -v k="$peakkb" -v b="$basekb" -v n="$lines" 'BEGIN { print (k - b) * 1024 / n }')"
fail=0
if awk -v k="$peakkb" -v n="$lines" 'BEGIN { exit !(k * 1024 / n <= 1024) }'; then
  echo "8. peak memory of a ${lines}-line map <= 1 KB per line  ok"
else
  echo "8. peak memory of a ${lines}-line map > 1 KB per line  MISSED"
  fail=1
fi
if [[ $limited == 0 ]]; then
  echo "   under ulimit -v 4000000: finished"
else
  echo "   under ulimit -v 4000000: status $limited  MISSED"
  tail -n 3 "$work/limited.err" | sed 's/^/     /'
  fail=1
fi
exit $fail
