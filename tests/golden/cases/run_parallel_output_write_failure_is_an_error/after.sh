# No table file of the failed run appears, not even the one that was fine.
[[ -d out ]]
[[ -z $(ls -A out) ]]
