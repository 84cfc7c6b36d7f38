# A checkpoint already in standard format, with multi-line and CR LF text.
cp "$CASE_DIR/../../../data/journal/mixed_standard.ckp" std.ckp
printf '@pv@ 0 @db.desc@ 8 @crlf\r\ninside @@ quoted\r\n@ \n' >> std.ckp
