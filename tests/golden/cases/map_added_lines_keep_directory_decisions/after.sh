# The added line for Sub spells its parent as the map decided.
set -e
tail -n 1 map2.txt | cmp - <(echo '//depot/main/Sub/... //depot/main/Sub/...')
head -n 1 map2.txt | cmp - decided.map
grep -c '^# The mappings below have been added' map2.txt
