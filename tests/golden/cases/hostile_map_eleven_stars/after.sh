grep -qF '@//depot/A/x.c@' out.ckp
