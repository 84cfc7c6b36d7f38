# Each output now holds this run's content.
"$ZTMIGRATE" -q -o ref.ckp -c ref.map --report ref.csv in.ckp 2>/dev/null || true
cmp out.ckp ref.ckp
cmp conflicts.map ref.map
cmp report.csv ref.csv
[[ $(ls -A | grep -c ztmigrate-) == 0 ]]
