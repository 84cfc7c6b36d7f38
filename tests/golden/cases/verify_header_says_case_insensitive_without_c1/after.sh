grep -q "Verified: edited.ckp differs from checkpoint.ckp only in the case of 22 fields, is case-consistent" with_c1.txt
