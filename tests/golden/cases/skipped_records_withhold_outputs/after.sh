# Nothing written, and the cause (the skipped record) comes before the note
# that nothing was written.
set -e
[[ $(ls -A | grep -v '^\.golden$' | tr '\n' ' ') == "in.ckp " ]]
skip=$(grep -n 'Skipping' .golden/stderr | head -n 1 | cut -d: -f1)
none=$(grep -n 'no output was written' .golden/stderr | cut -d: -f1)
(( skip < none ))
