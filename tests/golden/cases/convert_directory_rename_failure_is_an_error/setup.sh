# A parallel checkpoint converted with -s -O, whose second table file cannot
# take its name: the run fails, the input is untouched and no temporary file
# is left behind.
mkdir in
printf '@pv@ 0 @db.a@ \n' > in/db.a.ckp
printf '@pv@ 0 @db.b@ \n' > in/db.b.ckp
printf '@pv@ 0 @db.c@ \n' > in/db.c.ckp
cp -R in saved
