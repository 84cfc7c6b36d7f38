[[ $(cat diff.csv) == keep ]]
