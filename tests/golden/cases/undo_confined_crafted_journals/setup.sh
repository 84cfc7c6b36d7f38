# Journals made by hand to reach outside the root: a move with "..", one
# with an absolute name, #mkdir and #rmdir of outside directories, a
# journal with no #root (whose names would be taken from the current
# directory), an empty file. Each is refused whole, naming the line. A
# journal cut short is undone as far as it goes, and said to be cut.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
make_outside
mkdir -p root/depot/main
echo a > root/depot/main/a.c,v
head="# ztmigrate undo journal: moves of archive files, oldest first."
printf '%s\n#root\t%s\ndepot/Main/a.c,v\tdepot/main/a.c,v\n../outside/stolen\t../outside/E/f\n#end\n' "$head" "$PWD/root" > dotdot.log
printf '%s\n#root\t%s\n%s\tdepot/main/a.c,v\n#end\n' "$head" "$PWD/root" "$PWD/outside/E/g" > absolute.log
printf '%s\n#root\t%s\n#mkdir\t../outside/new\n#end\n' "$head" "$PWD/root" > mkdir.log
printf '%s\n#root\t%s\n#rmdir\tdepot/../../outside/E\n#end\n' "$head" "$PWD/root" > rmdir.log
printf '%s\noutside/E/g\toutside/E/f\n#end\n' "$head" > noroot.log
: > empty.log
find root -printf '%p\n' | LC_ALL=C sort > root.sum
