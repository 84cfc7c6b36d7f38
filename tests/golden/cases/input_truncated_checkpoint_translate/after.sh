cmp in.ckp in.before
# The edited checkpoint is absent, or at least never complete.
if [[ -e out.ckp ]] && grep -q '^@nx@ 1 ' out.ckp; then exit 1; fi
