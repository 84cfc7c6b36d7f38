// Reverses an archive rename from its undo journal (ztmigrate --undo FILE).
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_UNDO_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_UNDO_H_

#include <cstdint>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

struct UndoCounts {
  int32_t reversed = 0;  // archives put back
  int32_t notMade = 0;   // journalled moves that never happened
  int32_t gone = 0;      // moved archives no longer under their new name
  int32_t taken = 0;     // old names that something else holds now
  int32_t failed = 0;    // moves back that failed
};

// Takes back the moves of the journal, newest first, never replacing a
// file: recreates the directories the run removed, moves each archive back
// to its old name, and removes the directories the run made once they are
// empty again. Each move that cannot be reversed is reported and skipped.
// A journal that cannot be read undoes nothing and sets e.
void UndoArchiveMoves(const StrPtr& journal, UndoCounts* counts, Error* e);

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_UNDO_H_
