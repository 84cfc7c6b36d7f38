# The example translated into a parallel checkpoint, its archives renamed
# after the edited single file: the directory against the single-file
# original, archives looked up under the root given after the two names.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" "$examples/edited.map" .
cp -R "$examples/ztroot" ztroot
"$ZTMIGRATE" -t edited.map -O par checkpoint.ckp > /dev/null 2>&1
"$ZTMIGRATE" -t edited.map -o edited.ckp checkpoint.ckp > /dev/null 2>&1
"$ZTMIGRATE" -R -r ztroot edited.ckp > /dev/null 2>&1
