# Only the header and trailer notes are the program's own.
diff <(grep -v '^@nx@' in.ckp) <(grep -v '^@nx@' out.ckp)
