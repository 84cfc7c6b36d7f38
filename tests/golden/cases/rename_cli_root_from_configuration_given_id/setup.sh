# -S chooses the server whose root is used; "all" applies to every server
# but comes too late here: the first matching record fixes the root.
mkdir -p root/depot/Foo
touch root/depot/Foo/A.c,v
{
  printf '@pv@ 1 @db.config@ @Master@ @configurationVersion@ @1@ \n'
  printf '@pv@ 1 @db.config@ @master@ @server.depot.root@ @/nowhere@ \n'
  printf '@pv@ 1 @db.config@ @EDGE1@ @server.depot.root@ @%s@ \n' "$PWD/root"
  printf '@pv@ 1 @db.config@ @all@ @server.depot.root@ @/elsewhere@ \n'
  printf '@pv@ 1 @db.counters@ @change@ 42 \n'
  printf '@pv@ 9 @db.rev@ @//depot/foo/a.c@ 1 0 0 1 1700000000 1700000000 0123456789ABCDEF0123456789ABCDEF 12 0 0 @//depot/foo/a.c@ @1.1@ 0 \n'
} > in.ckp
