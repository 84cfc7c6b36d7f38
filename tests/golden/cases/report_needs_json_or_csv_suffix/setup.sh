: > ckp.ckp
