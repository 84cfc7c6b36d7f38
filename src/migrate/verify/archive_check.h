// ArchiveCheck: that every archive file the revision records of a checkpoint
// name is on disk under the archive root with exactly that name.
//
// The archive name follows from a revision record as for the archive rename
// (lbrFile through the depot map, the suffix of lbrType); revisions with no
// archive of their own are passed over. Each name is resolved from a
// descriptor of the root, one component at a time, opening directories and
// asking the last component's status without following a link, so a
// symbolic link anywhere on the way, "..", or an absolute archive directory
// never leads out of the root: such an archive counts as not present. The
// directory of the last archive stays open for the next, since the
// revisions of one directory's files come together.
#ifndef ZT_MIGRATE_VERIFY_ARCHIVE_CHECK_H_
#define ZT_MIGRATE_VERIFY_ARCHIVE_CHECK_H_

#include <cstdint>
#include <string>
#include <unordered_set>

#include "journal/journal_record.h"
#include "migrate/verify/differences.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class ViewMap;

class ArchiveCheck {
 public:
  ArchiveCheck() = default;
  ~ArchiveCheck();
  ArchiveCheck(const ArchiveCheck&) = delete;
  ArchiveCheck& operator=(const ArchiveCheck&) = delete;

  // Opens the archive root; false with e set when it is not a directory
  // that can be opened.
  bool Open(const StrPtr& root, Error* e);
  bool IsOpen() const { return rootFd_ >= 0; }

  // The archive of a revision record (log gets it when it is not present).
  // The record's table must name archives; depotMap is not owned.
  void Check(const JournalRecord& rec, ViewMap* depotMap, DifferenceLog* log, Error* e);

  // Why a relative archive name is not present, or null when it is.
  const char* Lookup(const StrPtr& name);

  int64_t checked = 0;  // archives looked up (the revisions of one archive once)
  int64_t missing = 0;  // of them, not present

 private:
  // Opens dir (relative to the root, components separated by "/") into
  // dirFd_, reusing the open one when it is the same; null or the reason.
  const char* OpenDirectory(const StrPtr& dir);
  void CloseDirectory();
  // Once: refuses a root on a file system that ignores case, where a lookup
  // finds a name in any case.
  bool IgnoresCase(int dirFd, const StrPtr& name, Error* e);
  void Report(DifferenceLog* log, const JournalRecord& rec, const StrPtr& name,
              const char* reason);

  int rootFd_ = -1;
  StrBuf root_;
  int dirFd_ = -1;
  StrBuf dir_;           // the directory dirFd_ is open on
  const char* dirWhy_ = nullptr;  // why dir_ could not be opened
  bool caseChecked_ = false;
  // Field positions of the revision table and version last seen.
  StrBuf fieldsTable_;
  StrBuf fieldsVersion_;
  int pos_[5] = {};
  bool fieldsKnown_ = false;
  StrBuf mapped_;
  StrBuf wanted_;
  StrBuf last_;  // the archive looked up last
  std::unordered_set<std::string> reported_;  // names reported missing
  StrBuf component_;
};

#endif  // ZT_MIGRATE_VERIFY_ARCHIVE_CHECK_H_
