# An input that never ends a line (all NUL bytes) is read up to the
# record limit and refused, never read for ever.
