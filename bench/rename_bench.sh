#!/usr/bin/env bash
# Archive rename benchmark: plans and moves N archives (20000 by default;
# pass 1000000 for the full size) of a generated tree whose directories are
# spelled in another case than the checkpoint's, and prints
#   - the scan of the checkpoint without -R, and with -R --dry-run (the
#     planning pass; its extra time should stay within 10% of the scan),
#   - the real -R run, beside a floor measured on an identical copy of the
#     tree in the same run: one process renaming the same files in a loop.
#
# Usage: bench/rename_bench.sh BUILD_DIR [ARCHIVES]
# Not part of the test suite: it writes ARCHIVES files under $TMPDIR.
set -euo pipefail

build=$(cd "${1:?usage: bench/rename_bench.sh BUILD_DIR [ARCHIVES]}" && pwd)
count=${2:-20000}
zt=$build/ztmigrate
[[ -x $zt ]] || { echo "missing $zt" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/ztrenamebench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# 100 files per directory, directories Dir<k> on disk, dir<k> in the
# checkpoint; files keep their case.
echo "generating $count archives ..." >&2
python3 - "$count" <<'PY'
import os, sys
n = int(sys.argv[1])
with open("ckp", "w") as ck, open("moves", "w") as mv:
    ck.write("@pv@ 1 @db.counters@ @change@ 42 \n")
    ck.write("@pv@ 1 @db.depot@ @depot@ 0 @@ @depot/...@ \n")
    for i in range(n):
        d = i // 100
        os.makedirs(f"root/depot/Dir{d}", exist_ok=True)
        open(f"root/depot/Dir{d}/f{i}.c,v", "w").close()
        p = f"//depot/dir{d}/f{i}.c"
        ck.write(f"@pv@ 9 @db.rev@ @{p}@ 1 0 0 1 1700000000 1700000000 "
                 f"0123456789ABCDEF0123456789ABCDEF 12 0 0 @{p}@ @1.1@ 0 \n")
        mv.write(f"depot/Dir{d}/f{i}.c,v\tdepot/dir{d}/f{i}.c,v\n")
PY
cp -R root floor

seconds() { local s=$EPOCHREALTIME; "$@" > /dev/null 2>&1 || true; echo "$EPOCHREALTIME - $s" | bc; }

scan=$(seconds "$zt" ckp)
analyse=$(seconds "$zt" -c "$work/map.txt" ckp)
plan=$(seconds "$zt" -R -r root --dry-run ckp)
run=$(seconds "$zt" -R -r root --undo-log "$work/undo.log" ckp)
floor=$(seconds python3 -c '
import os
os.chdir("floor")
made = set()
for line in open("../moves"):
    a, b = line.rstrip("\n").split("\t")
    d = os.path.dirname(b)
    if d not in made:
        os.makedirs(d, exist_ok=True)
        made.add(d)
    os.rename(a, b)
')
moved=$(find root/depot -name '*,v' -path '*/dir*' | wc -l)
printf 'archives %d (moved %d)\n' "$count" "$moved"
printf 'scan without -R      %8.2f s\n' "$scan"
printf 'scan with -c         %8.2f s  (paths entered, as -R does)\n' "$analyse"
printf 'scan with -R --dry-run %6.2f s  (planning adds %.0f%% to the -c scan)\n' "$plan" \
  "$(echo "($plan - $analyse) * 100 / $analyse" | bc -l)"
printf 'rename run           %8.2f s\n' "$run"
printf 'rename floor         %8.2f s  (run / floor %.2f)\n' "$floor" \
  "$(echo "$run / $floor" | bc -l)"
