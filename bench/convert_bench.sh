#!/usr/bin/env bash
# Throughput of the standard conversion (-s -o) against cat on a synthetic
# checkpoint of a few hundred megabytes, plus a check that a checkpoint
# already in standard format comes out byte for byte the same.
#
# Usage: bench/convert_bench.sh [BUILD_DIR] [SIZE_MB]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
size=${2:-300}
bin=$build/ztmigrate
work=${BENCH_DIR:-${TMPDIR:-/tmp}/convert_bench}
mkdir -p "$work"
in=$work/checkpoint_${size}.ckp
out=$work/out.ckp

for tool in "$bin" "$build/tools/gen_checkpoint"; do
  [ -x "$tool" ] || { echo "no $tool; build the ztmigrate and gen_checkpoint targets first" >&2; exit 1; }
done
if [ ! -f "$in" ]; then
  echo "generating $in ..." >&2
  "$build/tools/gen_checkpoint" --size-mb "$size" "$in"
fi
bytes=$(stat -L -c %s "$in")

# Runs a command and prints "<wall seconds> <cpu seconds>" (user + system);
# on a shared machine the CPU figure is the steadier one.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" > /dev/null
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time.txt"
}

cat "$in" > /dev/null  # warm the page cache
rm -f "$out"
read -r w_cat c_cat < <(timed sh -c "cat '$in' > '$out'")
rm -f "$out"
read -r w_conv c_conv < <(timed sh -c "'$bin' -s -o '$out' '$in' 2> '$work/summary.txt'")
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
rate() { awk -v m="$mb" -v t="$1" 'BEGIN { if (t > 0) printf "%.0f", m / t; else print "inf" }'; }

echo "input            $mb MB"
echo "cat              wall $w_cat s ($(rate "$w_cat") MB/s)   cpu $c_cat s"
echo "ztmigrate -s -o  wall $w_conv s ($(rate "$w_conv") MB/s)   cpu $c_conv s ($(rate "$c_conv") MB/s)"
cat "$work/summary.txt"
if cmp -s "$in" "$out"; then
  echo "output identical to the input"
else
  echo "OUTPUT DIFFERS FROM THE INPUT" >&2
  exit 1
fi
rm -f "$out"
