# Quiet changes what is printed, not what is written.
grep -qx "//projects/... //projects/..." conflicts.map
