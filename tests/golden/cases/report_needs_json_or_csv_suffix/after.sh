test ! -e report.txt
