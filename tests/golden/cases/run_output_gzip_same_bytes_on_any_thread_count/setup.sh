# A checkpoint of a few megabytes: several deflate blocks.
"$ZT_GEN_CHECKPOINT" --size-mb 3 in.ckp 2>/dev/null
