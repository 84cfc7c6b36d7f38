# "-" is the standard output, never a file of that name.
[[ ! -e - ]]
