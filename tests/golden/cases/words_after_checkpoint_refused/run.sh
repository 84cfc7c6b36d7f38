# Options after the checkpoint, an option given twice, a bad --threads
# and an unknown policy: each is refused before anything is read, and
# nothing is written.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
sha256sum in.ckp > sums.before
run() { "$ZTMIGRATE" "$@" 2>err; echo "status $?"; sed -n 's/^\t//p' err | head -1; }
run in.ckp -o out.ckp
run -t a.map -t b.map -o out.ckp in.ckp
run -o one.ckp -o two.ckp in.ckp
run --report a.csv --report b.csv in.ckp
run --threads +2 -o out.ckp in.ckp
run --threads ' 2' -o out.ckp in.ckp
run --threads 65 -o out.ckp in.ckp
ls -A | grep -v -e '^in.ckp$' -e '^err$' -e '^sums.before$' -e '^.golden$' || echo "nothing written"
sha256sum -c --quiet sums.before && echo "input unchanged"
