# The compressed output is a gzip file holding the very bytes of a plain run.
[[ $(head -c 2 out.ckp.gz | od -An -tx1 | tr -d ' ') == 1f8b ]]
"$ZTMIGRATE" -o plain.ckp in.ckp 2>/dev/null
gzip -dc out.ckp.gz | cmp - plain.ckp
grep -q '^@nx@ 0 1700000000 @journal@ 1 ' plain.ckp
