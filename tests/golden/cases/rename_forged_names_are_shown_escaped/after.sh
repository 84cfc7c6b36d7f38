# No byte below 0x20 other than the line ends and tabs of the report
# itself reached the terminal; the forged names stayed where they were.
set -e
if LC_ALL=C grep -q $'\x1b' .golden/stderr; then exit 1; fi
if grep -q '^Renaming secret' .golden/stderr; then exit 1; fi
[[ -f root/depot/Main/$'a\nRenaming secret.c,v to stolen.c,v\nb,v' && -f root/depot/Main/$'\x1b[2Jt.c,v' ]]
[[ $(cat root/depot/main/ok.c,v) == ok ]]
