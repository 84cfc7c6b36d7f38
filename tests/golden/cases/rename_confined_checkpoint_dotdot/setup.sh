# A revision whose fields climb out of the root with "..": in its archive
# revision (the clean-up of a failed move used to remove outside/E), and in
# a depot map. Each such archive is refused; nothing is made or moved.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
make_outside
mkdir -p root/depot/Main root/up
echo a > root/depot/Main/A.c,v
{
  counters
  depot up '../outside/...'
  rev //depot/main/f ../../../../outside/E/../f 1
  rev //depot/main/a.c 1.1 0
  rev //up/E/f 1.1 0
} > in.ckp
