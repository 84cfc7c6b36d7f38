# The cut record is not in the output: the output is not written at all.
[[ ! -e out.ckp ]]
[[ -z $(ls -A | grep -v -e '^in.ckp$' -e '^.golden$') ]]
