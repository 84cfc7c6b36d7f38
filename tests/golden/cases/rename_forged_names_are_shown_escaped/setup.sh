# Archive names holding a line end and a terminal escape, named by the
# checkpoint in another case: such a name is refused (nothing moves), and
# it is shown with its control bytes escaped, so that it cannot forge a
# "Renaming" line or reach the terminal raw.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p root/depot/Main
echo f > root/depot/Main/$'a\nRenaming secret.c,v to stolen.c,v\nb,v'
echo t > root/depot/Main/$'\x1b[2Jt.c,v'
echo ok > root/depot/Main/Ok.c,v
{
  counters
  rev //depot/main/$'a\nRenaming secret.c,v to stolen.c,v\nb' 1.1 0
  rev //depot/main/$'\x1b[2Jt.c' 1.1 0
  rev //depot/main/ok.c 1.1 0
} > in.ckp
