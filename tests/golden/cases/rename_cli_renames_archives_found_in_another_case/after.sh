# Nothing is lost: the same four archives, one of them renamed.
[[ $(find root -type f | sort) == $'root/depot/foo/X.c,v\nroot/depot/foo/a.c,v\nroot/depot/foo/ok.c,v\nroot/depot/foo/x.c,v' ]]
# The second record of the renamed file finds it under its new name.
[[ $(grep -c '^Renaming ' .golden/stderr) == 1 ]]
! grep -q 'ok.c' .golden/stderr
! grep -q 'Missing file' .golden/stderr
