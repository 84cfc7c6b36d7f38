grep -Eq "^Resource Usage: [0-9]*\.?[0-9]+s$" .golden/stderr
