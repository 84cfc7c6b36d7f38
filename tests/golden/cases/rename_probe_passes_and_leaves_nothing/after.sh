# The case-sensitivity probe removes everything it made.
[[ $(ls -A | grep -v "^\.golden$") == ckp.ckp ]]
