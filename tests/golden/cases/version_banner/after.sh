last=$(tail -n 1 .golden/stdout)
[[ $last == "Rev. ZTMIGRATE/NTX64/2026.1/2996624 (2026/06/30)." ]] || { echo "last line: $last"; exit 1; }
