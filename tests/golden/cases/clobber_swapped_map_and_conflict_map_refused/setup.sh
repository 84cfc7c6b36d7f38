# -t and -c swapped: the hand-edited map is named as the conflict map to
# write. It is refused and stays as edited; nothing is read.
cp "$CASE_DIR/../../fixtures/case_variants.ckp" in.ckp
printf '//depot/main/... //depot/main/...\n' > proposals.map
printf '//depot/main/... //depot/Main/...\n' > edited.map
sha256sum in.ckp proposals.map edited.map > sums.before
