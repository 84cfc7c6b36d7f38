# Writes that fail once a few deflated blocks are on the disk, while three
# threads deflate: the earlier file of the name must survive unchanged.
"$ZT_GEN_CHECKPOINT" --size-mb 8 --seed 5 in.ckp >/dev/null 2>&1
printf 'earlier good output\n' > out.ckp.gz
cp out.ckp.gz saved
