// ArchiveRenamer: gives the archive files under the archive root the case
// of the revision records that name them.
//
// For each revision record the renamer maps lbrFile through the depot map,
// adds the suffix of the record's lbrType, and looks on disk for every file
// whose name folds to the same text as the wanted name. One variant in
// another case is moved to the wanted name (creating missing directories);
// several variants are an archive conflict: the one already spelled as
// wanted stays, the others are counted as lost data and left where they are.
// The renamer never moves a file over an existing one.
//
// The renamer owns its directory cache and the counters the driver reports
// at the end of the run. Paths are relative to the working directory, which
// is the archive root once the setup has entered it.
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "migrate/rename/dir_cache.h"
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
  // renames its archive. Failures are left in e for the caller to report.
  void RenameArchive(const JournalRecord& record, ViewMap* depotMap, Error* e);
  // The part after the depot map: lbrFile mapped to mapped, the archive
  // chosen by lbrType and lbrRev. Adds to the counters.
  void RenameMapped(const StrPtr& lbrFile, const StrPtr& mapped, const StrPtr& lbrType,
                    const StrPtr& lbrRev, Error* e);
  // Finds the case variants of wanted on disk and moves the single one to
  // wanted. mapped is wanted without its suffix; twoComponent means wanted
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
  DirCache* Cache() { return &cache_; }

  // Counters of the run.
  int32_t lostData = 0;          // variants left behind in conflicts
  int32_t archiveConflicts = 0;  // records whose archive had several variants
  int32_t renameCount = 0;       // records handled, counted at verbosity 4 and up
  int32_t renameTime = 0;        // ms from the start to the last timed record
  int32_t movedCount = 0;        // archive files actually moved

 private:
  // Appends dir joined with name to out ("." adds nothing, "/" no separator).
  static void Join(const StrPtr& dir, const StrPtr& name, StrBuf* out);
  // Moves ctx->source to ctx->target, keeping the cache true.
  void Move(RenameContext* ctx, Error* e);
  // Reports a conflict block through the message log.
  void ReportConflict(const StrPtr& wanted, const NameList& found, RenameContext* ctx);

  DirCache cache_;
  Timer timer_;
  int32_t lastTicks_ = 0;

  // Buffers reused from record to record.
  StrBuf mapped_;
  StrBuf wanted_;
  StrBuf dir_;
  StrBuf folded_;
  StrBuf name_;
  StrBuf rev_;
  StrBuf foldedRev_;
  StrBuf joined_;
  NameList candidates_;
  NameList next_;
  NameList found_;
  RenameContext ctx_;
};

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_RENAMER_H_
