! grep -q Main out.ckp
[[ $(grep -c '//depot/main/' out.ckp) == 3 ]]

