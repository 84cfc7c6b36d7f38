# The device is written to, never removed and replaced by a file.
[[ -c full.ckp ]]
