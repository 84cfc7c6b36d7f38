# The conflict map's line names the deep file in its most common spelling.
line=$(grep -v '^#' map.txt)
[[ $(printf '%s\n' "$line" | wc -l) == 1 ]] || exit 1
deep=$(printf 'd/%.0s' $(seq 100000))
[[ $line == "//depot/${deep}file.c //depot/${deep}file.c" ]]
