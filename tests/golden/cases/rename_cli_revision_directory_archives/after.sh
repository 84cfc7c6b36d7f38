[[ $(find root -type f | sort) == $'root/depot/foo/a.c,d/1.1\nroot/depot/foo/a.c,d/1.2' ]]
[[ $(cat root/depot/foo/a.c,d/1.1) == one && $(cat root/depot/foo/a.c,d/1.2) == two ]]
