// RenameStage: the archive rename of one -R run, from the first revision
// record to the closing totals.
//
// While the records are read, the stage's ArchiveRenamer plans the move of
// each revision's archive; the archive root is opened the first time a
// record needs it. After the scan and the conflict map, Run makes the
// checks that must pass before any archive moves, prints the dry run's
// listing or carries out the moves, prints the totals and returns what it
// counted. The stage owns the renamer; the caller keeps the server root.
#ifndef ZT_MIGRATE_RENAME_RENAME_STAGE_H_
#define ZT_MIGRATE_RENAME_RENAME_STAGE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "migrate/rename/archive_renamer.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

struct RenameOptions;

// What a rename counted, by archive.
struct RenameCounts {
  int32_t moved = 0;        // archives renamed (0 in a dry run)
  int32_t toMove = 0;       // archives a dry run would have moved (0 otherwise)
  int32_t missing = 0;      // archives named by the checkpoint but found in no case
  int32_t conflicts = 0;    // archives found in several cases, during the scan or the moves
  int32_t lostData = 0;     // variants left behind under another name
  int32_t unsettled = 0;    // archives left missing, in conflict, failed or not tried
};

class RenameStage {
 public:
  // archiveDirs: the directories beside the root where the rename may work.
  explicit RenameStage(const std::vector<std::string>& archiveDirs);
  RenameStage(const RenameStage&) = delete;
  RenameStage& operator=(const RenameStage&) = delete;

  // The renamer the scan hands revision records and depot maps to.
  ArchiveRenamer* Renamer() { return &renamer_; }
  const ArchiveRenamer& Renamer() const { return renamer_; }

  // True when archive names can be looked up: once serverRoot is open as
  // the archive root, opening it at the first call. Later calls answer as
  // the first did; its failure is left in e by the first only.
  bool RootReady(const StrPtr& serverRoot, Error* e);
  // True once RootReady was called.
  bool RootTried() const { return rootTried_; }

  // After the conflict map: refuses a checkpoint that still holds
  // conflicts (conflictsRemain) or whose archive root did not resolve,
  // else prints (dry run) or carries out the planned moves, then prints the
  // totals. The counts of a refused rename are those of the scan.
  RenameCounts Run(const RenameOptions& options, bool conflictsRemain, const StrPtr& serverRoot,
                   Error* e);

 private:
  ArchiveRenamer renamer_;
  bool rootTried_ = false;
  bool rootOpen_ = false;
};

#endif  // ZT_MIGRATE_RENAME_RENAME_STAGE_H_
