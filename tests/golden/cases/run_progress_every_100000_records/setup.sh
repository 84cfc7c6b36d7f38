# A note and 200001 data records: the note counts as record 1, so the
# progress lines come at records 100000 and 200000 and no third one.
{
  printf '@nx@ 0 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
  awk 'BEGIN { for (i = 1; i <= 200001; i++) printf "@pv@ 1 @db.counters@ @c%d@ %d \n", i, i }'
  printf '@nx@ 1 1700000000 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n'
} > in.ckp
