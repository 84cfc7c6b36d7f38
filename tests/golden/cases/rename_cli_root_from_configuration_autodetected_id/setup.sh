# No -r: the root is the server.depot.root of the server whose id the first
# configurationVersion record gives; another server's root is ignored.
mkdir -p root/depot/Foo
touch root/depot/Foo/A.c,v
{
  printf '@pv@ 1 @db.config@ @other@ @server.depot.root@ @/nowhere@ \n'
  printf '@pv@ 1 @db.config@ @Master@ @configurationVersion@ @1@ \n'
  printf '@pv@ 1 @db.config@ @master@ @server.depot.root@ @%s@ \n' "$PWD/root"
  printf '@pv@ 1 @db.counters@ @change@ 42 \n'
  printf '@pv@ 9 @db.rev@ @//depot/foo/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/foo/a.c@ @1.1@ 0 \n'
} > in.ckp
