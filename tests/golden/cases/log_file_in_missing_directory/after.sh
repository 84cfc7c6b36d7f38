grep -qF "Success: all case-inconsistencies have been resolved." logs/deep/run.log
grep -qx "ztmigrate info:" logs/deep/run.log
grep -qx "Opening input and output files..." logs/deep/run.log
