#!/usr/bin/env bash
# Smoke test of the checkpoint generator: a small checkpoint in each form
# (plain, gzip, parallel directory in parts) must be read by ztmigrate without
# a skipped record, find the generated conflicts, and be in standard format
# (a standard-format rewrite gives the same bytes). A checkpoint generated
# without second spellings must be case-consistent.
# Usage: gen_checkpoint_smoke.sh <gen_checkpoint binary> <ztmigrate binary>
set -u
gen=$1
zt=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/gensmoke.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
fail=0
complain() { echo "gen_checkpoint_smoke: $*" >&2; fail=1; }

# Runs ztmigrate -c on an input; checks that nothing was skipped and that the
# verdict is the expected one.
analyse() {
  local input=$1 expect=$2
  rm -f map.txt  # each run writes its own map; ztmigrate never replaces one
  "$zt" -c map.txt "$input" > out.txt 2> err.txt
  local status=$?
  if grep -q -e 'skipped' -e 'Skipping' err.txt; then
    complain "$input: records were skipped"; cat err.txt >&2
  fi
  if ! grep -q -F "$expect" err.txt; then
    complain "$input: verdict '$expect' missing (status $status)"; cat err.txt >&2
  fi
}

"$gen" --size-mb 1 --seed 7 plain.ckp 2> /dev/null || complain "generation failed"
"$gen" --size-mb 1 --seed 7 plain.ckp.gz 2> /dev/null || complain "gzip generation failed"
"$gen" --size-mb 1 --seed 7 --dir --split-mb 0.1 par 2> /dev/null || complain "dir generation failed"
"$gen" --size-mb 1 --seed 7 --variants 0 clean.ckp 2> /dev/null || complain "clean generation failed"

size=$(stat -c %s plain.ckp)
if (( size < 900000 || size > 1300000 )); then complain "1 MB asked, $size bytes written"; fi
if ! gzip -dc plain.ckp.gz | cmp -s - plain.ckp; then complain "gzip form differs from plain form"; fi
"$gen" --size-mb 1 --seed 7 again.ckp 2> /dev/null
cmp -s plain.ckp again.ckp || complain "same seed gave different output"
"$gen" --size-mb 1 --seed 8 other.ckp 2> /dev/null
cmp -s plain.ckp other.ckp && complain "another seed gave the same output"
parts=$(ls par | grep -c '^db\.rev#')
(( parts >= 1 )) || complain "no db.rev parts in the directory form"

analyse plain.ckp "still contains inconsistencies"
conflicts=$(grep -vc '^#' map.txt)
(( conflicts > 0 )) || complain "no conflicts in the conflict map"
analyse plain.ckp.gz "still contains inconsistencies"
analyse par "still contains inconsistencies"
analyse clean.ckp "Success"

# Standard format: a rewrite of the single file is byte-identical.
"$zt" -s -o rewritten.ckp plain.ckp 2> /dev/null
cmp -s plain.ckp rewritten.ckp || complain "generated checkpoint is not in standard format"
# The directory holds the same records as the single file (the reader puts
# the configuration tables first, so the lines are compared sorted).
"$zt" -s -o joined.ckp par 2> /dev/null
if [[ $(grep -v '^@nx@' joined.ckp | LC_ALL=C sort | md5sum) != \
      $(grep -v '^@nx@' plain.ckp | LC_ALL=C sort | md5sum) ]]; then
  complain "directory form holds other records than the single file"
fi

# The path-heavy profile: have lists and revisions make at least 85% of the
# records, its paths run deep, and it is in standard format too.
"$gen" --size-mb 1 --seed 7 --profile paths paths.ckp 2> gen.txt || complain "paths generation failed"
share=$(sed -n 's/.*db.have and db.rev \([0-9.]*\)%.*/\1/p' gen.txt)
awk -v s="${share:-0}" 'BEGIN { exit !(s >= 85) }' || complain "paths profile: db.have and db.rev ${share:-?}%"
analyse paths.ckp "still contains inconsistencies"
deep=$(grep -c '^@pv@ 10 @db.rev@ @//[^/@]*/[^/@]*/[^/@]*/[^/@]*/[^/@]*/[^/@]*/[^/@]*/' paths.ckp)
(( deep > 0 )) || complain "paths profile: no revision path of six directories or more"
"$zt" -s -o rewritten-paths.ckp paths.ckp 2> /dev/null
cmp -s paths.ckp rewritten-paths.ckp || complain "paths profile is not in standard format"
"$gen" --size-mb 1 --profile nonsense bad.ckp 2> /dev/null && complain "an unknown profile was taken"

exit $fail
