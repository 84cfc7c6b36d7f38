// The conflict map writer: from the path tree of a finished scan, one
// mapping from each conflicting component's chosen path to itself, for each
// way the component is used (file line before directory line).
#ifndef ZT_MIGRATE_CONFLICT_MAP_H_
#define ZT_MIGRATE_CONFLICT_MAP_H_

#include <cstdint>

#include "support/messages/error.h"

class FileSys;
class PathTree;
class TranslationMap;

// What the conflict map holds below its preamble.
struct ConflictMapLines {
  int64_t count = 0;  // conflict lines; none when the checkpoint is consistent
};

// Counts the conflict lines of tree and, when out (open for writing, not
// owned) is given, writes the map into it and closes it: the preamble of
// the map in use (decisions, may be null; its lines and, when conflict
// lines follow, its trailer) or the fixed header, then the conflict lines.
// head: each component spelt as its head revision, else as its most common
// spelling; a directory the map in use decides keeps that spelling.
ConflictMapLines WriteConflictMap(const PathTree& tree, bool head,
                                  const TranslationMap* decisions, FileSys* out, Error* e);

#endif  // ZT_MIGRATE_CONFLICT_MAP_H_
