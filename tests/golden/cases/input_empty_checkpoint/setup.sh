: > in.ckp
