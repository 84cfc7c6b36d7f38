# A 64 KiB file-size limit: the conversion's writes fail with "File too
# large" instead of the process dying of SIGXFSZ.
ulimit -f 64
exec "$ZTMIGRATE" "$@"
