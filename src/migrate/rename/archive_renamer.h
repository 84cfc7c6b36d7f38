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
// The renamer owns the archive locations, a directory cache per location,
// the plan and the counters the driver reports at the end of the run.
// Archive names are relative to their location (ArchiveLocations): an
// archive whose name leaves it, or that lies outside every location, is
// reported and left alone, and so is one reached through a symbolic link.
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "migrate/rename/archive_locations.h"
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
  // The on-disk directories of the current location whose names fold to
  // the fold of dir (relative to it), in listing order. Valid until the
  // next call.
  const NameList& FindDirVariants(const StrPtr& dir);
  // The cached listing of dir in the current location.
  const DirListing& ListDir(const StrPtr& dir) { return Cache()->List(dir); }
  // Forgets every cached listing.
  void ResetCache();
  // The depot map gained a mapping (its right side): names mapped before
  // are asked again, and its top directory may be a link.
  void DepotMapChanged(const StrPtr& map = StrPtr()) {
    mappedValid_ = false;
    if (!map.IsEmpty()) locations_.AddDepotMap(map);
  }
  // The cache of the current location.
  DirCache* Cache();
  ArchiveLocations* Locations() { return &locations_; }

  // The moves planned so far.
  RenamePlan* Plan() { return &plan_; }
  // Directories met on disk in another case than the one wanted, with
  // their locations: those an earlier, interrupted run may have emptied.
  const std::set<std::pair<int, std::string>>& OtherCaseDirs() const { return otherCaseDirs_; }

  // Reports (and clears) what a record left in e. Until an archive has
  // been found on disk, reports are held rather than printed: a root that
  // holds none of the first kWrongRootAfter archives looked for is a wrong
  // root, and then only that is said (WrongRoot).
  void Report(Error* e);
  // Prints the held reports and the conflict blocks (print), or drops them
  // (a run refused as a whole says only why).
  void ReleaseReports(bool print);
  static constexpr int kWrongRootAfter = 1000;
  // True once kWrongRootAfter archives were looked for and none was found;
  // *example is one of them. Nothing is looked for after that.
  bool WrongRoot(StrBuf* example) const {
    if (wrongRoot_) example->Set(wrongRootExample_);
    return wrongRoot_;
  }

  // Counters of the run, by archive unless said otherwise.
  int32_t lostData = 0;          // variants left behind in conflicts
  int32_t archiveConflicts = 0;  // archives with several variants on disk
  int32_t alreadyCorrect = 0;    // archives found under their wanted name
  int32_t missing = 0;           // archives with no variant on disk
  int32_t unreadable = 0;        // records naming no archive (fields, type, depot map)
  int32_t refused = 0;           // archives left alone: outside, unsafe name, link
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
  // False when wanted (in the current location) was the last archive
  // settled; else makes it the last.
  bool Settle(const StrPtr& wanted);
  // True the first time wanted (in the current location) is reported.
  bool FirstReport(const StrPtr& wanted);
  bool WasReported(const StrPtr& wanted) const;
  // Notes a listing or status failure met on the way to an archive.
  void NoteTrouble(const StrPtr& name, int err);

  // Held reports and conflict blocks, and the wrong-root test.
  std::vector<std::unique_ptr<Error>> held_;
  StrBuf conflictText_;
  bool holding_ = true;
  bool wrongRoot_ = false;
  int32_t lookedFor_ = 0;
  StrBuf wrongRootExample_;
  // An archive was found on disk: held reports go out from now on.
  void FoundOne();

  std::set<std::pair<int, std::string>> otherCaseDirs_;

  ArchiveLocations locations_;
  int loc_ = 0;  // the location of the archive being looked for
  std::vector<std::unique_ptr<DirCache>> caches_;
  // Directories named outside the locations, reported once each.
  std::unordered_set<std::string> outsideReported_;
  // The first link, and the first other failure, met on the way.
  StrBuf linkMet_;
  int trouble_ = 0;
  StrBuf troubleAt_;
  RenamePlan plan_;
  // Wanted names already reported as conflicts or missing.
  std::unordered_set<std::string> reported_;
  // The last wanted name settled (found as it is, planned or reported), so
  // that the revisions of one archive are looked up and counted once.
  StrBuf lastSettled_;
  int lastSettledLoc_ = -2;
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
  int dirsLoc_ = -1;
  StrBuf dirsLink_;
  int dirsTrouble_ = 0;
  StrBuf dirsTroubleAt_;
  uint64_t dirsGeneration_ = ~uint64_t{0};
  StrBuf relWanted_;
  StrBuf relMapped_;
  StrBuf outsideDir_;
  RenameContext ctx_;
  bool fieldsKnown_ = false;
  StrBuf fieldsTable_;
  StrBuf fieldsVersion_;
  int fieldPos_[kFieldCount] = {};
};

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_
