cmp "$CASE_DIR/expected.jnl" patch.jnl
