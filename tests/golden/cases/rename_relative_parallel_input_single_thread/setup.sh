# A parallel checkpoint given by a relative name, with 3,000 db.counters
# rows, read on one thread with -R: every table file opens after the
# archive root is set up, since the working directory never changes.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p ckp root/depot/Main
echo a > root/depot/Main/A.c,v
for i in $(seq 3000); do printf '@pv@ 1 @db.counters@ @c%d@ %d \n' "$i" "$i"; done > ckp/db.counters.ckp
depot depot 'depot/...' > ckp/db.depot.ckp
rev //depot/main/a.c 1.1 0 > ckp/db.rev.ckp
