[[ ! -e same.txt ]]
