cmp noise.ckp noise.orig
