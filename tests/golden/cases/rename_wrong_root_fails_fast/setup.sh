# -r one level too high: the depots' archive trees are in srv/root, -r
# names srv. None of the first 1,000 archives looked for is there, so the
# run stops before any move, names the root and one archive, and asks
# whether -r is right, instead of listing every archive as missing.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p srv/root/depot/Main srv/depot/Main
for i in $(seq 1200); do : > srv/root/depot/Main/F$i.c,v; done
echo decoy > srv/depot/Main/F1.c,v.not
{ counters; for i in $(seq 1200); do rev //depot/main/f$i.c 1.1 0; done; } > in.ckp
