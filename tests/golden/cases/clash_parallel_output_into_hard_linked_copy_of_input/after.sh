diff -r saved in
