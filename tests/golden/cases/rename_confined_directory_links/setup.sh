# Directory links inside the root that lead out of it, below a depot's top:
# at the second, third and fourth level (a ",d" directory), and one at the
# very directory a move would go to. None is followed: each archive behind
# one is a conflict. A sound archive beside them moves, and the pruning of
# emptied directories stays inside the root.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
make_outside
mkdir -p root/depot/main/src root/depot/Wanted root/depot/Old
echo c > root/depot/Wanted/C.c,v
echo x > root/depot/Old/X.c,v
ln -s ../../outside/store root/depot/Link
ln -s ../../../outside/store root/depot/main/Deep
ln -s ../../../../outside/dump root/depot/main/src/b.c,d
ln -s ../../outside/dump root/depot/wanted
{
  counters
  rev //depot/link/a.c 1.1 0
  rev //depot/main/deep/a.c 1.1 0
  rev //depot/main/src/b.c keep 1
  rev //depot/wanted/c.c 1.1 0
  rev //depot/old/x.c 1.1 0
} > in.ckp
