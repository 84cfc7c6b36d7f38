# After the rename, one archive is gone and another is back in its old case:
# both are named, with the path looked for under the root.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
cp -R "$examples/ztroot" ztroot
"$ZTMIGRATE" -t edited.map -o edited.ckp checkpoint.ckp > /dev/null 2>&1
"$ZTMIGRATE" -R -r ztroot edited.ckp > /dev/null 2>&1
rm ztroot/depot/main/src/util.c,v
mv ztroot/depot/main/doc/Guide.txt,v ztroot/depot/main/doc/guide.txt,v
