# One flipped bit in the CRC of the gzip trailer.
gzip -c "$CASE_DIR/../../fixtures/with_notes.ckp" > in.ckp.gz
at=$(( $(stat -c %s in.ckp.gz) - 8 ))
byte=$(od -An -tu1 -j "$at" -N1 in.ckp.gz | tr -d ' ')
printf "\\$(printf %03o $((byte ^ 1)))" | dd of=in.ckp.gz bs=1 seek="$at" conv=notrunc 2>/dev/null
