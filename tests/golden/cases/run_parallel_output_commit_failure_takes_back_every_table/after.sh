[[ -d out ]]
[[ -z $(ls -A out) ]]
