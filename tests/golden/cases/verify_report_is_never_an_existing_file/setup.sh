# A report name that exists is refused before anything is read; the file
# keeps its bytes.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" .
echo keep > diff.csv
