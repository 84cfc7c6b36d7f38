# Nothing moved: both archives are where they were, with their content.
set -e
[[ $(cat root/depot/main/$'\xc3\xa9'.c,v) == e && $(cat root/depot/main/k.c,v) == k ]]
[[ $(ls root/depot/main | wc -l) == 2 ]]
