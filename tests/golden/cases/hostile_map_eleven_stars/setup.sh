# A mapping with 11 "*" is refused as a bad mapping; the other lines load
# and the run goes on.
printf '@pv@ 1 @db.excl@ @//depot/a/x.c@ @ws1@ @alice@ \n' > in.ckp
printf '//depot/a/*a*b*c*d*e*f*g*h*i*j*k //depot/a/*a*b*c*d*e*f*g*h*i*j*k\n//depot/a/... //depot/A/...\n' > trans.map
