# The dry run named every location before the moves, and the stray depot;
# the real run then moves the three archives, on the other disk too, and
# leaves outside/ alone.
set -e
. "$CASE_DIR/../../fixtures/archive_attack.sh"
grep -qF "  $PWD/root (archive root)" .golden/stderr
grep -qF "  $PWD/far (--archive-dir)" .golden/stderr
grep -qF "Would rename F/f.c,v to f/f.c,v in $PWD/far" .golden/stderr
grep -qF "Archives not touched, outside the archive locations: $PWD/outside/stray" .golden/stderr
[[ $(grep -n 'Archive locations:' .golden/stderr | cut -d: -f1) -lt $(grep -n 'Would rename' .golden/stderr | head -1 | cut -d: -f1) ]]
[[ -f disk2/depot/Main/A.c,v ]]
"$ZTMIGRATE" -R -r root --archive-dir far in.ckp 2> real.err && exit 1
grep -qF "Renaming F/f.c,v to f/f.c,v in $PWD/far" real.err
grep -qx 'Archive rename: archives moved 3, already correct 0, missing 0, in conflict 0 (both kept, nothing deleted), failed 1' real.err
[[ $(cat disk2/depot/main/a.c,v) == a && $(cat root/abs/x/x.c,v) == x && $(cat far/f/f.c,v) == f ]]
[[ -L root/depot ]]
check_outside
