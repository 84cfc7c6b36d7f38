cmp std.ckp out.ckp
