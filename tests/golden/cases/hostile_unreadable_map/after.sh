cmp in.ckp in.orig || exit 1
# Without root's privileges a file without read permission is refused too
# (root reads it regardless, so there the check is skipped).
if [[ $(id -u) != 0 ]]; then
  printf '//depot/... //depot/...\n' > locked.map
  chmod 000 locked.map
  "$ZTMIGRATE" -t locked.map -o out2.ckp in.ckp >/dev/null 2>&1
  [[ $? == 255 ]] || exit 1
fi
# An unreadable checkpoint (a directory holding no table files is an empty
# parallel checkpoint, so use a dangling link) is an error, not a success.
ln -s missing/nowhere.ckp dangling.ckp
"$ZTMIGRATE" -c c.map dangling.ckp >out3.txt 2>&1
[[ $? == 255 ]] && ! grep -q 'Success:' out3.txt
