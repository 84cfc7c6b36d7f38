# The CSV report holds the one difference, with the row as the original has it.
[[ $(wc -l < diff.csv) == 2 ]]
[[ $(head -n 1 diff.csv) == "kind,table,original_row,edited_row,field,original,edited" ]]
grep -q '^row-missing,db.rev,5,,,@pv@ 9 @db.rev@ @//depot/main/src/app.c@ 1 0 0 1 ' diff.csv
