# An earlier output of the same name, then a run whose writes fail after
# 4 KiB: the earlier file must survive unchanged.
"$ZT_GEN_CHECKPOINT" --size-mb 2 --seed 3 in.ckp >/dev/null
printf 'earlier good output\n' > out.ckp.gz
cp out.ckp.gz saved
