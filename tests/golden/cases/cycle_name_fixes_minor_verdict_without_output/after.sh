[[ $(wc -l < map.txt) == 25 ]]
