# Under a UTF-8 locale, //depot/main/É.c and //depot/main/é.c are two files
# to the analysis (which folds ASCII letters only), and so they are to the
# rename: é.c,v is already correct and is never moved to É.c,v, which is
# missing. KELVIN SIGN (U+212A) is not the letter k either.
. "$CASE_DIR/../../fixtures/archive_attack.sh"
mkdir -p root/depot/main
echo e > root/depot/main/$'\xc3\xa9'.c,v
echo k > root/depot/main/k.c,v
{
  counters
  rev //depot/main/$'\xc3\x89'.c 1.1 0
  rev //depot/main/$'\xc3\xa9'.c 1.1 0
  rev //depot/main/$'\xe2\x84\xaa'.c 1.1 0
  rev //depot/main/k.c 1.1 0
} > in.ckp
