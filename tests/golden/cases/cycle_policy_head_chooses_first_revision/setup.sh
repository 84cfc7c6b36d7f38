# A depot named in mixed case and paths spelled several ways.
cp "$CASE_DIR/../../fixtures/mixed_case_depot.ckp" in.ckp
