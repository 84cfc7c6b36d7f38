# A checkpoint already in standard format, with multi-line and CR LF text.
std=$CASE_DIR/../../../data/journal/mixed_standard.ckp
{
  head -n -1 "$std"
  printf '@pv@ 0 @db.desc@ 8 @crlf\r\ninside @@ quoted\r\n@ \n'
  tail -n 1 "$std"
} > std.ckp
