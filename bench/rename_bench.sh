#!/usr/bin/env bash
# Archive rename benchmark, in two parts.
#
# The worst case: N archives (20000 by default; pass 1000000 for the full
# size), one revision record each, every one in a directory spelled in
# another case than the checkpoint's, so every record is a move. Prints
#   - the scan of the checkpoint without -R, and with -R --dry-run (the
#     planning pass),
#   - the real -R run, beside a floor measured on an identical copy of the
#     tree in the same run: one process renaming the same files in a loop.
#
# A realistic checkpoint (SIZE_MB, 50 by default, from gen_checkpoint):
# analysed, translated with its own conflict map, and given an archive tree
# holding every revision's archive as the untranslated records spell it.
# Prints the scan of the translated checkpoint (-c) beside -R --dry-run on
# it, as CPU seconds (user + system) and wall seconds.
#
# Usage: bench/rename_bench.sh BUILD_DIR [ARCHIVES [SIZE_MB]]
# Not part of the test suite: it writes ARCHIVES files and the realistic
# tree under $TMPDIR.
set -euo pipefail

build=$(cd "${1:?usage: bench/rename_bench.sh BUILD_DIR [ARCHIVES]}" && pwd)
count=${2:-20000}
size=${3:-50}
zt=$build/ztmigrate
gen=$build/tools/gen_checkpoint
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

# The realistic checkpoint.
echo "generating a ${size} MB checkpoint and its archive tree ..." >&2
"$gen" --size-mb "$size" real.ckp > /dev/null 2>&1
"$zt" -c real.map real.ckp > /dev/null 2>&1 || true
"$zt" -t real.map -o fixed.ckp real.ckp > /dev/null 2>&1
python3 - real.ckp realroot <<'PY'
import os, re, sys
# Every revision record's archive, spelled as the record spells it; the
# depot map of the generated checkpoint is "name/..." under the root.
ckp, root = sys.argv[1], sys.argv[2]
field = re.compile(rb'@((?:[^@]|@@)*)@|(\S+)')
suffix = {0: ",v", 4: ",t", 6: ".gz"}
made = set()
with open(ckp, "rb") as f:
    for line in f:
        if b"@db.rev@" not in line[:20]:
            continue
        v = [m.group(1) if m.group(1) is not None else m.group(2) for m in field.finditer(line)]
        lbr, rev, kind = v[14].decode("latin-1"), v[15].decode("latin-1"), int(v[16]) & 0xF
        if kind in (1, 3):
            name = os.path.join(root, lbr[2:] + ",d", rev + (".gz" if kind == 3 else ""))
        else:
            name = os.path.join(root, lbr[2:] + suffix.get(kind, ",v"))
        d = os.path.dirname(name)
        if d not in made:
            os.makedirs(d, exist_ok=True)
            made.add(d)
        open(name, "a").close()
PY
cpu() {
  /usr/bin/time -f "%e %U %S" -o "$work/t" "$@" > /dev/null 2>&1 || true
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/t"
}
read -r cwall ccpu < <(cpu "$zt" -c "$work/fixed.map" fixed.ckp)
read -r dwall dcpu < <(cpu "$zt" -R -r realroot --dry-run fixed.ckp)
archives=$(find realroot -type f | wc -l)
printf 'realistic checkpoint %d MB, %d archives\n' "$size" "$archives"
printf 'scan with -c         %8.2f s wall %6.2f s cpu\n' "$cwall" "$ccpu"
printf 'scan with -R --dry-run %6.2f s wall %6.2f s cpu  (planning adds %.0f%% cpu)\n' \
  "$dwall" "$dcpu" "$(echo "($dcpu - $ccpu) * 100 / $ccpu" | bc -l)"
