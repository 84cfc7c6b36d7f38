# No table file of the failed run appears, not even the one that was fine,
# nor the directory the run made for them.
[[ ! -e out ]]
[[ -z $(ls -A | grep ztmigrate-) ]]
