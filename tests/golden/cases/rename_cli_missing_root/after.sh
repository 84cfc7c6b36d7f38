# Nothing moved and no undo journal: the archive is still in its old case.
[[ $(find . -path ./.golden -prune -o -type f -print | sort | tr '\n' ' ') == "./depot/Foo/A.c,v ./in.ckp " ]]
grep -qx 'could not open Archive root directory ' .golden/stderr
grep -qx $'\tMissing file/directory. Failed to locate ' .golden/stderr
