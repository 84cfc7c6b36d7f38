cmp saved.map policy.map
[[ -L link.map ]]
