# The outputs are here; the root holds what it held, the archive moved.
set -e
[[ -f rep.csv && -f map.txt ]]
[[ $(cat srv/root/rep.csv) == 'server file' && $(cat srv/root/map.txt) == 'server map' ]]
[[ $(cat srv/root/depot/main/a.c,v) == a ]]
[[ $(find srv/root -type f | LC_ALL=C sort | tr '\n' ' ') == 'srv/root/depot/main/a.c,v srv/root/map.txt srv/root/rep.csv ' ]]
