# Three archives move into depot/main. At the first move the fault
# injector replaces depot/main (just made by the run) by a link to
# outside/dump: the moves after it are made by descriptor and find the
# link, so nothing leaves the root; --undo afterwards does not follow it
# either.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
make_outside
mkdir -p root/depot/Main
for f in a b c; do echo $f > root/depot/Main/$f.c,v; done
{ counters; rev //depot/main/a.c 1.1 0; rev //depot/main/b.c 1.1 0; rev //depot/main/c.c 1.1 0; } > in.ckp
