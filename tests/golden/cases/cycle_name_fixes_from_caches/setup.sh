# Groups, a client, a label and a second depot registered in one spelling,
# then used in others; one view names a domain never registered.
cat > in.ckp <<'CKP'
@pv@ 0 @db.group@ @alice@ @Devs@ 
@pv@ 0 @db.group@ @bob@ @DEVS@ 
@pv@ 1 @db.depot@ @Proj@ 0 @@ @proj/...@ 
@pv@ 4 @db.domain@ @ws-BOB@ 99 @@ @/home/bob@ @@ @@ @bob@ 1700000000 1700000000 0 @desc@ 
@pv@ 4 @db.domain@ @Rel1@ 108 @@ @@ @@ @@ @bob@ 1700000000 1700000000 0 @desc@ 
@pv@ 4 @db.domain@ @PROJ@ 100 @@ @@ @@ @@ @bob@ 1700000000 1700000000 0 @desc@ 
@pv@ 3 @db.have@ @//WS-bob/a/B.c@ @//depot/a/B.c@ 1 0 1700000000 
@pv@ 3 @db.have@ @//ws-BOB/a/B.c@ @//depot/a/B.c@ 1 0 1700000000 
@pv@ 1 @db.working@ @//ws-bob/a/B.c@ @//depot/a/B.c@ @WS-BOB@ @bob@ 1 2 0 1 5 1700000000 0 
@pv@ 1 @db.label@ @REL1@ @//depot/a/B.c@ 1 
@pv@ 5 @db.protect@ 1 1 @devs@ @*@ 31 0 @//depot/...@ @//depot/...@ 0 
@pv@ 1 @db.property@ @prop@ 0 2 @DEVS@ @v@ 1700000000 @admin@ 
@pv@ 1 @db.view@ @WS-Bob@ 0 0 @//WS-BOB/a/...@ @//depot/a/...@ 
@pv@ 1 @db.view@ @rel1@ 0 0 @//REL1/a/...@ @//depot/a/...@ 
@pv@ 1 @db.view@ @ghost@ 0 0 @//ghost/...@ @//depot/...@ 
@pv@ 1 @db.change@ 5 5 @Ws-Bob@ @bob@ 1700000000 1 @desc@ @//depot/a@ 
@pv@ 1 @db.fix@ @job1@ 5 1700000000 @closed@ @WS-bob@ @bob@ 
CKP
