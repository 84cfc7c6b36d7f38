sha256sum -c --quiet sums.before
