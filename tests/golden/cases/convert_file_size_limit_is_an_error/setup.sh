"$ZT_GEN_CHECKPOINT" --size-mb 1 --seed 5 in.ckp >/dev/null
