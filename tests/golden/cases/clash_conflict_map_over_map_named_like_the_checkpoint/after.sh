cmp saved in.ckp.map
