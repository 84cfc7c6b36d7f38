// PathPart: the leading or trailing components of a "/"-separated path.
#ifndef ZT_MIGRATE_RENAME_PATH_PART_H_
#define ZT_MIGRATE_RENAME_PATH_PART_H_

#include "support/text/strbuf.h"

// Sets out to the first n components of path (n > 0) or its last -n
// components (n < 0). With n > 0: the text before the n-th "/", all of path
// when it has exactly n - 1 separators, empty when it has fewer. With n < 0:
// all of path when it has fewer than -n separators. n == 0 gives empty.
void PathPart(const StrPtr& path, int n, StrBuf* out);

#endif  // ZT_MIGRATE_RENAME_PATH_PART_H_
