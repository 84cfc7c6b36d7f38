# The edited checkpoint still spells guide.txt in two cases (one revision left as it was).
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o good.ckp checkpoint.ckp > /dev/null 2>&1
sed '23s|//depot/main/doc/Guide.txt@ 1 |//depot/main/doc/guide.txt@ 1 |' good.ckp > edited.ckp
