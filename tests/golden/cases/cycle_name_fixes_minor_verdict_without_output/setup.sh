# Groups, a client, a label and a second depot registered in one spelling,
# then used in others; one view names a domain never registered.
cp "$CASE_DIR/../../fixtures/name_variants.ckp" in.ckp
