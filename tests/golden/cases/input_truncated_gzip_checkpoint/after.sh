if [[ -e out.ckp ]] && grep -q '^@nx@ 1 ' out.ckp; then exit 1; fi
