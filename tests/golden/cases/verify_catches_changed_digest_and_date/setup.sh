# One revision's digest and another's date changed.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
"$ZTMIGRATE" -t edited.map -o good.ckp checkpoint.ckp > /dev/null 2>&1
sed -e '24s/11223344556677889900AABBCCDDEEFF/11223344556677889900AABBCCDDEEFE/' -e '26s/ 1733100000 1733100000 / 1733100001 1733100000 /' good.ckp > edited.ckp
