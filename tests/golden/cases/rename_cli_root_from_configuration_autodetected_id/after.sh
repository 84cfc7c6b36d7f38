[[ $(find root -type f) == root/depot/foo/a.c,v ]]
grep -qx "using server.depot.root: $PWD/root" .golden/stderr
