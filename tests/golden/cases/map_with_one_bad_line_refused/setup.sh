# A hand-edited map with one typo is refused whole before the checkpoint
# is read: the line is named, and no output is written.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
printf '//depot/main/... //depot/Main/...\n//depot/main/a.c //depot/Main/b.c\n' > edited.map
sha256sum in.ckp edited.map > sums.before
