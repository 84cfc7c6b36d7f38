[[ $(find root -type f | sort) == $'root/depot/foo/X.c,v\nroot/depot/foo/x.c,v' ]]
! grep -q '^Renaming ' .golden/stderr
! grep -q 'selected:' .golden/stderr
