mkdir in
echo notes > in/README
