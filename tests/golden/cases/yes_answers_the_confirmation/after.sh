# Answered without standard input (which is empty): the run went on.
test -s out.ckp
