# Both paths take the map's spelling.
[[ $(grep -c $'@//depot/\xc3\x84b/' out.ckp) == 2 ]]
! grep -q $'\xc3\x84B' out.ckp
