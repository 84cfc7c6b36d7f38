# The depot's directory under the root is a symbolic link to a tree outside
# it, which spells the directory Main.
examples=$CASE_DIR/../../../../examples
cp "$examples/checkpoint.ckp" .
mkdir -p root outside
cp -R "$examples/ztroot/depot" outside/depot
cp -R "$examples/ztroot/projects" root/projects
ln -s ../outside/depot root/depot
