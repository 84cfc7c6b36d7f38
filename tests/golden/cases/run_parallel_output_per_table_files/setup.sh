# -O writes one file per table (header with the table in field 11, trailer
# with it in field 9), creates the directory with its parents, and leaves an
# -o file empty. (A row of a table not beginning with "db." has no table
# file: parallel_output_row_without_table_file_is_refused.)
cat > in.ckp <<'CKP'
@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
@pv@ 1 @db.counters@ @change@ 42 
@pv@ 1 @db.excl@ @//depot/main/a.c@ @ws1@ @bob@ 
@pv@ 1 @db.counters@ @journal@ 3 
@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ 
@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ 
CKP
