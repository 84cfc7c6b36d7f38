#!/usr/bin/env bash
# spread_map: makes a translation map of LINES lines, each in a partition of
# its own, out of a conflict map: the way to a map of a million lines whose
# memory and load time can be measured.
#
# Usage: tools/spread_map.sh CONFLICT_MAP LINES > MAP
#
# The comment lines of CONFLICT_MAP come first, as read. Then its mappings
# are taken in turn, over and over, until LINES lines are written; the i-th
# gets "-i" after its second component, so that no two lines share a
# partition (the first two components) or a path. Its right side turns
# over the case of the first letter of that second component, as an
# administrator's edit would. Lines in double quotes, and those with a
# wildcard in their first two components, are not taken.
set -euo pipefail
map=${1:?usage: tools/spread_map.sh CONFLICT_MAP LINES}
lines=${2:?usage: tools/spread_map.sh CONFLICT_MAP LINES}
LC_ALL=C awk -v lines="$lines" '
  /^#/ { print; next }
  NF >= 2 && $1 ~ /^\/\/[^\/*.%]+\/[^\/*.%]+/ && $1 !~ /"/ { source[n++] = $1 }
  END {
    if (n == 0) { print "spread_map: no mapping to take" > "/dev/stderr"; exit 1 }
    for (i = 1; i <= lines; ++i) {
      p = source[(i - 1) % n]
      # "//" first "/" second, then the rest (which starts with "/" or is empty).
      cut = index(substr(p, 3), "/") + 2
      rest = substr(p, cut + 1)
      slash = index(rest, "/")
      if (slash) left = substr(p, 1, cut) substr(rest, 1, slash - 1) "-" i substr(rest, slash)
      else left = p "-" i
      # The right side: the case of the first letter of the second component
      # turned over.
      c = substr(left, cut + 1, 1)
      if (c ~ /[a-z]/) c = toupper(c); else if (c ~ /[A-Z]/) c = tolower(c)
      right = substr(left, 1, cut) c substr(left, cut + 2)
      print left, right
    }
  }' "$map"
