[[ -f patch.jnl && ! -s patch.jnl ]]
