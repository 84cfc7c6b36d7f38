# The run stops at the unloaded data: no output under its name, and no
# temporary file left behind.
[[ ! -e out.ckp ]]
[[ -z $(ls -A | grep -v -e '^in.ckp$' -e '^.golden$') ]]
