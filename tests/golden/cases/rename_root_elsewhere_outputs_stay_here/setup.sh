# -R with a report and a conflict map, the root elsewhere: the working
# directory never changes, so both outputs land here (never inside the
# root, where a server file of the report's name waits), and -r is honoured
# although the run writes output.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p srv/root/depot/Main
echo a > srv/root/depot/Main/A.c,v
echo 'server file' > srv/root/rep.csv
echo 'server map' > srv/root/map.txt
{ counters; rev //depot/main/a.c 1.1 0; } > in.ckp
