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
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "migrate/rename/undo_journal.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class ArchiveLocations;
class RenamePlan;

// What a rename run does with its plan.
struct RenameOptions {
  bool dryRun = false;          // print the plan; change nothing on disk
  bool pruneEmptyDirs = false;  // remove the directories the moves emptied
  StrBuf undoLog;               // the journal's absolute name; empty for the default
  StrBuf undoLogDir;            // where the default journal goes (absolute)
};

// Moves from to to inside location without replacing anything, retrying
// transient failures sys.rename.max times sys.rename.wait ms apart. 0 or
// the errno.
int MoveInLocation(ArchiveLocations* locations, int location, std::string_view from,
                   std::string_view to);

// The default journal name in dir for a run started now:
// dir/ztmigrate-undo-YYYYMMDD-HHMMSS.log.
std::string DefaultUndoLogName(const std::string& dir);

class ArchiveMover {
 public:
  // locations (not owned): where the plan's names lie.
  ArchiveMover(const RenameOptions& options, ArchiveLocations* locations);
  // A plan whose names all lie under root.
  ArchiveMover(const RenameOptions& options, const StrPtr& root);
  ~ArchiveMover();
  ArchiveMover(const ArchiveMover&) = delete;
  ArchiveMover& operator=(const ArchiveMover&) = delete;

  // Carries out plan (sorted), reporting each move on standard error. A
  // journal that cannot be written stops the moves with e set.
  void Execute(const RenamePlan& plan, Error* e);
  // With --prune-empty-dirs: directories to remove too when they are empty
  // (those an earlier, interrupted run emptied).
  void AddPruneCandidates(const std::set<std::pair<int, std::string>>& dirs) {
    emptiedCandidates_.insert(emptiedCandidates_.end(), dirs.begin(), dirs.end());
  }

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
  std::unique_ptr<ArchiveLocations> ownLocations_;
  ArchiveLocations* locations_;
  UndoJournalWriter journal_;
  // Directories moves were made from, with their locations.
  std::vector<std::pair<int, std::string>> emptiedCandidates_;
};

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_MOVER_H_
