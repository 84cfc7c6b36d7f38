// ArchiveRenamer: gives the archive files under the archive root the case
// of the revision records that name them.
//
// For each revision record the renamer maps lbrFile through the depot map,
// adds the suffix of the record's lbrType, and looks on disk for every file
// whose name folds to the same text as the wanted name. One variant in
// another case enters the rename plan, to be moved to the wanted name after
// the scan (ArchiveMover); several variants are an archive conflict: the one
// already spelled as wanted stays, the others are counted as lost data and
// left where they are. Each archive is settled once, whatever the number of
// revision records that name it: a conflict or a missing archive is
// reported once.
//
// The renamer owns its directory cache, the plan and the counters the
// driver reports at the end of the run. Paths are relative to the working
// directory, which is the archive root once the setup has entered it.
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "migrate/rename/dir_cache.h"
#include "migrate/rename/rename_plan.h"
#include "support/messages/debug.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class JournalRecord;
class ViewMap;

// A list of names whose slots keep their storage from one use to the next.
class NameList {
 public:
  int Count() const { return count_; }
  const StrBuf& At(int i) const { return items_[static_cast<size_t>(i)]; }
  void Clear() { count_ = 0; }
  // A new empty slot at the end.
  StrBuf* Add() {
    if (static_cast<size_t>(count_) == items_.size()) items_.emplace_back();
    StrBuf* s = &items_[static_cast<size_t>(count_++)];
    s->Clear();
    return s;
  }
  void Swap(NameList* other) {
    items_.swap(other->items_);
    std::swap(count_, other->count_);
  }

 private:
  std::vector<StrBuf> items_;
  int count_ = 0;
};

// The lines of a conflict block: the header ("Case Conflict Detected!!! ")
// and one line per variant found, "selected" or "lost".
void AppendConflictHeader(int found, const StrPtr& wanted, StrBuf* text);
void AppendConflictEntry(const StrPtr& name, bool selected, StrBuf* text);

// What one record's lookup found.
struct RenameContext {
  int32_t conflicts = 0;  // 1 when more than one variant was on disk
  int32_t lost = 0;       // variants left behind under another name
  StrBuf source;          // the variant to move; empty when there is none
  StrBuf target;          // the wanted archive name
};

class ArchiveRenamer {
 public:
  ArchiveRenamer();
  ArchiveRenamer(const ArchiveRenamer&) = delete;
  ArchiveRenamer& operator=(const ArchiveRenamer&) = delete;

  // Handles one revision record: skips deleted, purged and unstored
  // revisions silently, maps lbrFile through depotMap (not owned) and
  // plans its archive's move. Failures are left in e for the caller to
  // report.
  void RenameArchive(const JournalRecord& record, ViewMap* depotMap, Error* e);
  // The part after the depot map: lbrFile mapped to mapped, the archive
  // chosen by lbrType and lbrRev. Adds to the counters.
  void RenameMapped(const StrPtr& lbrFile, const StrPtr& mapped, const StrPtr& lbrType,
                    const StrPtr& lbrRev, Error* e);
  // Finds the case variants of wanted on disk and plans the move of the
  // single one to wanted. mapped is wanted without its suffix; twoComponent means wanted
  // is mapped + ",d/" + revision file.
  void RenameVariants(RenameContext* ctx, const StrPtr& mapped, const StrPtr& wanted,
                      bool twoComponent, Error* e);
  // The on-disk directories whose names fold to the fold of dir, in listing
  // order. Valid until the next call.
  const NameList& FindDirVariants(const StrPtr& dir);
  // The cached listing of dir.
  const DirListing& ListDir(const StrPtr& dir) { return cache_.List(dir); }
  // Forgets every cached listing (after the working directory changed).
  void ResetCache() { cache_.Clear(); }
  // The depot map gained a mapping: names mapped before are asked again.
  void DepotMapChanged() { mappedValid_ = false; }
  DirCache* Cache() { return &cache_; }

  // The moves planned so far.
  RenamePlan* Plan() { return &plan_; }

  // Counters of the run, by archive unless said otherwise.
  int32_t lostData = 0;          // variants left behind in conflicts
  int32_t archiveConflicts = 0;  // archives with several variants on disk
  int32_t alreadyCorrect = 0;    // archives found under their wanted name
  int32_t missing = 0;           // archives with no variant on disk
  int32_t unreadable = 0;        // records naming no archive (fields, type, depot map)
  int32_t renameCount = 0;       // records handled, counted at verbosity 4 and up
  int32_t renameTime = 0;        // ms from the start to the last timed record

 private:
  // The revision record fields the renamer reads, by their place in
  // fieldPos_.
  enum { kAction, kType, kLbrFile, kLbrType, kLbrRev, kFieldCount };
  // Finds the fields' positions for the record's table and version (once
  // per run of one table and version); false with e set when one is missing.
  bool ResolveFields(const JournalRecord& record, Error* e);
  // Appends dir joined with name to out ("." adds nothing, "/" no separator).
  static void Join(const StrPtr& dir, const StrPtr& name, StrBuf* out);
  // FindDirVariants of dir_, with each variant's listing in dirListings_;
  // remembered while dir_ and the cache stay the same.
  const NameList& DirVariantsOfDir();
  // Enters the move of ctx->source to ctx->target into the plan.
  void PlanMove(RenameContext* ctx);
  // Reports a conflict block through the message log.
  void ReportConflict(const StrPtr& wanted, const NameList& found, RenameContext* ctx);

  DirCache cache_;
  RenamePlan plan_;
  // Wanted names already reported as conflicts or missing.
  std::unordered_set<std::string> reported_;
  // The last wanted name settled (found as it is, planned or reported), so
  // that the revisions of one archive are looked up and counted once.
  StrBuf lastSettled_;
  // The last lbrFile mapped through the depot map, and its result.
  StrBuf mappedFrom_;
  const ViewMap* mappedBy_ = nullptr;
  bool mappedValid_ = false;
  // The record being planned.
  StrPtr lbrFile_;
  StrPtr lbrRev_;
  Timer timer_;
  int32_t lastTicks_ = 0;

  // Buffers reused from record to record.
  StrBuf mapped_;
  StrBuf wanted_;
  StrBuf dir_;
  StrBuf folded_;
  StrBuf name_;
  StrBuf rev_;
  StrBuf joined_;
  NameList candidates_;
  NameList next_;
  NameList found_;
  NameList dirVariants_;
  std::vector<const DirListing*> dirListings_;
  StrBuf dirsOf_;
  uint64_t dirsGeneration_ = ~uint64_t{0};
  RenameContext ctx_;
  bool fieldsKnown_ = false;
  StrBuf fieldsTable_;
  StrBuf fieldsVersion_;
  int fieldPos_[kFieldCount] = {};
};

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_
