# Every record comes out in the most frequent spelling.
[[ $(grep -c 'Sub/f' out.ckp) == 3 ]] && ! grep -q 'sub/f' out.ckp
