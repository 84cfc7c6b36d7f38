set -e
[[ $(wc -l < out.ckp) == 3 ]]
