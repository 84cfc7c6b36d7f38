// ArchiveMover: carries out a rename plan after the scan, journalling every
// step for --undo before it is taken.
//
// Moves never replace: a wanted name that exists when its move comes is an
// archive conflict (both files kept). A failure that another attempt cannot
// cure (another file system, permissions, a missing source) fails that
// archive at once; only transient failures are retried.
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_MOVER_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_MOVER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "migrate/rename/undo_journal.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class RenamePlan;

// What a rename run does with its plan.
struct RenameOptions {
  bool dryRun = false;          // print the plan; change nothing on disk
  bool pruneEmptyDirs = false;  // remove the directories the moves emptied
  StrBuf undoLog;               // the journal's absolute name; empty for the default
  StrBuf undoLogDir;            // where the default journal goes (absolute)
};

// Moves from to to without replacing anything, retrying transient
// failures sys.rename.max times sys.rename.wait ms apart. 0 or the errno.
int MoveNoReplaceRetrying(const char* from, const char* to);

// The directories above path (a relative or absolute file name) that do
// not exist, outermost first.
void MissingParents(const std::string& path, std::vector<std::string>* out);

// The default journal name in dir for a run started now:
// dir/ztmigrate-undo-YYYYMMDD-HHMMSS.log.
std::string DefaultUndoLogName(const std::string& dir);

class ArchiveMover {
 public:
  // root: the absolute directory the plan's names are relative to.
  ArchiveMover(const RenameOptions& options, const StrPtr& root);
  ArchiveMover(const ArchiveMover&) = delete;
  ArchiveMover& operator=(const ArchiveMover&) = delete;

  // Carries out plan (sorted), reporting each move on standard error. A
  // journal that cannot be written stops the moves with e set.
  void Execute(const RenamePlan& plan, Error* e);

  int32_t moved = 0;      // archives moved
  int32_t conflicts = 0;  // wanted names found taken at the moment of the move
  int32_t failed = 0;     // moves that failed
  int32_t prunedDirs = 0;  // emptied directories removed
  const StrBuf& JournalPath() const { return journal_.Path(); }

 private:
  static const size_t kBatch = 256;
  // Journals, syncs and carries out moves [begin, end).
  void RunBatch(const RenamePlan& plan, size_t begin, size_t end, Error* e);
  void OpenJournal(Error* e);
  void Prune(Error* e);

  const RenameOptions& options_;
  StrBuf root_;
  UndoJournalWriter journal_;
  std::vector<std::string> emptiedCandidates_;  // directories moves were made from
};

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_MOVER_H_
