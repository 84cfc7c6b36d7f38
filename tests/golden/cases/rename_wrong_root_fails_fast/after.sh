# The root and its name in the message; nothing moved.
set -e
grep -qF "under the archive root $PWD/srv (one of them: depot/main/f1000.c,v)." .golden/stderr
[[ $(ls srv/root/depot/Main | wc -l) == 1200 && ! -e srv/root/depot/main && ! -e srv/depot/main ]]
