#!/bin/bash
# Compares reading a large checkpoint-like file through the file layer with
# the system tools: a plain file through a buffered text object (type 1)
# against cat, and a gzip file (type 0x802) against gzip -dc.
# Usage: bench/file_read.sh <build dir> [megabytes]
set -e
build=${1:?build directory}
mb=${2:-200}
tool=$build/bench/zt_file_read_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Journal-like lines: about 120 bytes each.
python3 - "$work/ckp" "$mb" <<'PY'
import sys, random
random.seed(1)
target = int(sys.argv[2]) * 1000000
with open(sys.argv[1], "w") as f:
    n = 0
    i = 0
    while n < target:
        line = '@pv@ 9 @db.rev@ @//depot/main/src/module%d/File%d.c@ %d 0 0 %d 1700000000 1700000000 %032X 1234 0 0 @//depot/main/src/file.c@ @1.%d@ 0 \n' % (
            i % 97, i, i % 13, i, random.getrandbits(128), i)
        f.write(line)
        n += len(line)
        i += 1
PY
gzip -c "$work/ckp" > "$work/ckp.gz"
ls -l "$work/ckp" "$work/ckp.gz" | awk '{print $5, $9}'

t() { local s=$(date +%s.%N); "$@" > /dev/null; local e=$(date +%s.%N); echo "$(echo "$e - $s" | bc)"; }

cat "$work/ckp" > /dev/null  # warm the page cache
echo "cat:                $(t cat "$work/ckp") s"
echo "type 1, 32K reads:  $($tool 1 "$work/ckp" 32768)"
echo "type 1, 1M reads:   $($tool 1 "$work/ckp" 1048576)"
echo "type 1, ReadLine:   $($tool 1 "$work/ckp" 0 readline)"
echo "gzip -dc:           $(t gzip -dc "$work/ckp.gz") s"
echo "type 0x802, 32K:    $($tool 0x802 "$work/ckp.gz" 32768)"
