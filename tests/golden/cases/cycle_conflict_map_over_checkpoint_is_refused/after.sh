cmp saved.ckp in.ckp
