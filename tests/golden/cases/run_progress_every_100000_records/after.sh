[[ $(grep -c '^Record ' .golden/stderr) == 2 ]]
grep -Eq '^Record 100000, Processed 100000 records in [0-9]+ ms$' .golden/stderr
grep -Eq '^Record 200000, Processed 100000 records in [0-9]+ ms$' .golden/stderr
grep -Eq '^Starting scan of [0-9]+ byte checkpoint file\.\.\.$' .golden/stderr
size=$(wc -c < in.ckp)
grep -q "^Starting scan of $size byte checkpoint file...$" .golden/stderr
grep -Eq '^Total time to process checkpoint, [0-9]+ ms$' .golden/stderr
