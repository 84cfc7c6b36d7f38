# A mapping with 11 "*" is a bad line: the map is refused whole before the
# checkpoint is read, naming the line, and no output is written.
printf '@pv@ 1 @db.excl@ @//depot/a/x.c@ @ws1@ @alice@ \n' > in.ckp
printf '//depot/a/*a*b*c*d*e*f*g*h*i*j*k //depot/a/*a*b*c*d*e*f*g*h*i*j*k\n//depot/a/... //depot/A/...\n' > trans.map
