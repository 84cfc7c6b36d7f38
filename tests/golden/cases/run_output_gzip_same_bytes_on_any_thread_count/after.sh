# The gzip output is one valid member holding the plain output, and the
# same bytes whatever the number of deflating threads.
gzip -t out.ckp.gz
"$ZTMIGRATE" -o plain.ckp in.ckp 2>/dev/null
gzip -dc out.ckp.gz | cmp - plain.ckp
"$ZTMIGRATE" --threads 1 -o one.ckp.gz in.ckp 2>/dev/null
"$ZTMIGRATE" -o two.ckp.gz in.ckp 2>/dev/null
cmp one.ckp.gz out.ckp.gz
cmp two.ckp.gz out.ckp.gz
