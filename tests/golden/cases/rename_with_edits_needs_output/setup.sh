# -R with -p (or -t, -P) but no -o/-O would rename the archives to a
# spelling no checkpoint on disk holds: refused before the scan.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
mkdir -p root/depot/Main
echo data > root/depot/Main/a.c,v
find root -type f | sort | xargs sha256sum > sums.before
