# A root that does not exist: nothing moves, relative to the starting
# directory or anywhere else.
[[ -f depot/Foo/A.c,v && ! -e depot/foo ]]
! ls ztmigrate-undo-* 2>/dev/null
