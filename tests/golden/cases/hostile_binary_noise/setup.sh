# A checkpoint of 300000 bytes of (seeded, repeatable) binary noise.
perl -e 'srand(20261209); print map { chr(int(rand(256))) } 1 .. 300000' > noise.ckp
cp noise.ckp noise.orig
