[[ $(find depot -type f) == depot/foo/a.c,v ]]
grep -qx 'could not open Archive root directory ' .golden/stderr
grep -qx $'\tMissing file/directory. Failed to locate ' .golden/stderr
