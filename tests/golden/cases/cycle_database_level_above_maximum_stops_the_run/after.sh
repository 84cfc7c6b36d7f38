# Level 60 passes; 61 stops the run before it is written: the output is
# never given its name, and no temporary file is left behind.
[[ ! -e out.ckp ]]
[[ -z $(ls -A | grep -v -e '^in.ckp$' -e '^.golden$') ]]
