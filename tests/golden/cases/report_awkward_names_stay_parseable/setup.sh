# Directories spelt in two ways whose names hold a comma, a double quote, a
# space, an at-sign and a byte that is not UTF-8.
{
  for d in 'A,b' 'a,B' 'Say "hi"' 'say "HI"' 'My Docs' 'my docs' 'X@@y' 'x@@Y'; do
    printf '@pv@ 1 @db.excl@ @//depot/%s/f@ @w@ @u@ \n' "$d"
  done
  printf '@pv@ 1 @db.excl@ @//depot/Caf\xe9/f@ @w@ @u@ \n'
  printf '@pv@ 1 @db.excl@ @//depot/caf\xe9/f@ @w@ @u@ \n'
} > in.ckp
