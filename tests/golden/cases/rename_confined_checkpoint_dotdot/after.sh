# outside/ is exactly as it was; the one sound archive moved.
set -e
. "$CASE_DIR/../../fixtures/archive_attack.sh"
check_outside
[[ $(cat root/depot/main/a.c,v) == a ]]
[[ $(find root -mindepth 1 | LC_ALL=C sort | tr '\n' ' ') == 'root/depot root/depot/Main root/depot/main root/depot/main/a.c,v root/up ' ]]
