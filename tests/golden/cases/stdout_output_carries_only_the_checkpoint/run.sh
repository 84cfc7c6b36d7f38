# With "-o -" the standard output is exactly the file -o would write, at
# every verbosity, for a checkpoint and for a journal patch; the lines the
# run prints go to standard error.
for patch in "" -j; do
  "$ZTMIGRATE" -f $patch -o ref.out in.ckp 2>/dev/null
  for v in 0 1 2 3 4 5; do
    "$ZTMIGRATE" $patch -v$v -o - in.ckp >got.out 2>err.txt
    cmp ref.out got.out || { echo "stdout differs at -v$v $patch" >&2; exit 1; }
    grep -q "logging at" err.txt || { echo "no logging line on stderr at -v$v" >&2; exit 1; }
  done
done
echo done
