# Depots whose archives lie elsewhere: "depot" is a link to another disk
# (a depot's own top directory may be one), "abs" has an absolute map under
# the root, "far" an absolute map in a directory named with --archive-dir,
# and "stray" an absolute map in outside/, which is no archive location.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
make_outside
mkdir -p disk2/depot/Main root/abs/X far/F outside/stray/S
ln -s ../disk2/depot root/depot
echo a > disk2/depot/Main/A.c,v
echo x > root/abs/X/x.c,v
echo f > far/F/f.c,v
echo s > outside/stray/S/s.c,v
outside_listing > outside.sum
{
  counters
  depot abs "$PWD/root/abs/..."
  depot depot 'depot/...'
  depot far "$PWD/far/..."
  depot stray "$PWD/outside/stray/..."
  rev //depot/main/a.c 1.1 0
  rev //abs/x/x.c 1.1 0
  rev //far/f/f.c 1.1 0
  rev //stray/s/s.c 1.1 0
} > in.ckp
