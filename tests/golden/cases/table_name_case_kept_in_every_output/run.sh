# A row whose table name is spelt in another case (DB.rev) is written by
# -o, by -O into db.rev's table file, and by -s -O; the counts of records
# read and written agree.
sed 's/@db.rev@ @\/\/depot\/Main\/a.c@ 1/@DB.rev@ @\/\/depot\/Main\/a.c@ 1/' \
  "$CASE_DIR/../../fixtures/case_variants.ckp" > in.ckp
grep -c '@DB.rev@' in.ckp
sha256sum in.ckp > sums.before
"$ZTMIGRATE" -o out.ckp in.ckp 2>err1; echo "-o $?"
grep -c '@DB.rev@' out.ckp
grep -E 'records (read|written)' err1
"$ZTMIGRATE" -O par in.ckp 2>err2; echo "-O $?"
grep -c '@DB.rev@' par/db.rev.ckp
grep -E 'records (read|written)' err2
ls par
"$ZTMIGRATE" -s -O conv par 2>/dev/null; echo "-s -O $?"
grep -c '@DB.rev@' conv/db.rev.ckp
"$ZTMIGRATE" -s -O single in.ckp 2>err3; echo "-s -O of a file $?"
sed -n 's/^\t//p' err3
[[ ! -e single ]] && echo "no directory made"
sha256sum -c --quiet sums.before && echo "input unchanged"
