[[ $(find root -type f) == root/depot/foo/a.c,v ]]
