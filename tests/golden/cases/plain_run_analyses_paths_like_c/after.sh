# The verdict is the -c run's, and nothing but the input is left behind.
set -e
ref=$(mktemp -d)
cp checkpoint.ckp "$ref/"
(cd "$ref" && "$ZTMIGRATE" -c map.txt checkpoint.ckp 2>stderr) || true
grep -c '^//' "$ref/map.txt" | grep -qx 3
[[ $(ls -A | grep -v '^\.golden$') == checkpoint.ckp ]]
rm -rf "$ref"
