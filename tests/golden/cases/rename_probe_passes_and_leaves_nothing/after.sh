# The case-sensitivity probe removes everything it made, and a run with
# nothing to move writes no undo journal.
[[ $(ls -A | grep -v "^\.golden$" | tr '\n' ' ') == "ckp.ckp root " ]]
[[ -z $(ls -A root) ]]
