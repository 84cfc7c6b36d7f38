// The archive presence check of a verification.
#include "migrate/verify/archive_check.h"

#include <errno.h>

#include <cstring>

#include "map/view_map.h"
#include "migrate/rename/archive_name.h"
#include "support/files/posix/os_beneath.h"

namespace {

inline constexpr MessageId kMsgArchiveRootUnusable = {
    0x32011f61, "The archive root %root% cannot be opened: %reason%."};
inline constexpr MessageId kMsgArchiveRootIgnoresCase = {
    0x32011f62,
    "The archive root %root% is on a file system that ignores case: there an archive is\n"
    "found in any case, and its exact spelling cannot be checked."};

const char kNotFound[] = "not found";
const char kSymlink[] = "a symbolic link on the way";
const char kNotFile[] = "not a regular file";
const char kOutside[] = "outside the archive root";
const char kNotDirectory[] = "a directory on the way is not a directory";

const char* Reason(int err) {
  switch (err) {
    case ELOOP: return kSymlink;
    case ENOTDIR: return kNotDirectory;
    case ENOENT: return kNotFound;
    default: return strerror(err);
  }
}

// The case of every ASCII letter of s turned over; false when s has none.
bool FlipCase(const StrPtr& s, StrBuf* out) {
  out->Set(s);
  bool any = false;
  for (uint32_t i = 0; i < out->Length(); ++i) {
    char c = (*out)[i];
    if (c >= 'a' && c <= 'z') out->Value()[i] = static_cast<char>(c - 32), any = true;
    else if (c >= 'A' && c <= 'Z') out->Value()[i] = static_cast<char>(c + 32), any = true;
  }
  return any;
}

}  // namespace

ArchiveCheck::~ArchiveCheck() {
  CloseDirectory();
  OsCloseFd(rootFd_);
}

bool ArchiveCheck::Open(const StrPtr& root, Error* e) {
  root_.Set(root);
  if (int err = OsOpenTopDir(root_.Text(), &rootFd_)) {
    rootFd_ = -1;
    e->Set(kMsgArchiveRootUnusable) << root_ << strerror(err);
    return false;
  }
  return true;
}

void ArchiveCheck::CloseDirectory() {
  if (dirFd_ != rootFd_) OsCloseFd(dirFd_);
  dirFd_ = -1;
  dirWhy_ = nullptr;
  dir_.Clear();
}

const char* ArchiveCheck::OpenDirectory(const StrPtr& dir) {
  if ((dirFd_ >= 0 || dirWhy_) && dir.EqualExact(dir_)) return dirWhy_;
  CloseDirectory();
  dir_.Set(dir);
  int fd = rootFd_;
  const char* p = dir.Text();
  const char* end = dir.End();
  if (p < end && *p == '/') return dirWhy_ = kOutside;
  while (p < end) {
    const char* slash = static_cast<const char*>(memchr(p, '/', static_cast<size_t>(end - p)));
    const char* stop = slash ? slash : end;
    component_.Set(p, static_cast<uint32_t>(stop - p));
    p = slash ? slash + 1 : end;
    if (component_.IsEmpty() || component_.EqualExact(".")) continue;
    if (component_.EqualExact("..")) {
      dirWhy_ = kOutside;
      break;
    }
    int next = -1;
    int err = OsOpenDirBeneath(fd, component_.Text(), 0, &next);
    bool isLink = false;
    bool isDir = false;
    // A link to a directory fails as not a directory on some systems.
    if (err == ENOTDIR && OsEntryAt(fd, component_.Text(), &isLink, &isDir) == 0 && isLink)
      err = ELOOP;
    if (fd != rootFd_) OsCloseFd(fd);
    fd = rootFd_;
    if (err) {
      dirWhy_ = Reason(err);
      break;
    }
    fd = next;
  }
  if (dirWhy_) {
    if (fd != rootFd_) OsCloseFd(fd);
    return dirWhy_;
  }
  dirFd_ = fd;
  return nullptr;
}

const char* ArchiveCheck::Lookup(const StrPtr& name) {
  const char* p = name.Text();
  uint32_t cut = name.Length();
  while (cut > 0 && p[cut - 1] != '/') --cut;
  StrPtr last(p + cut, name.Length() - cut);
  if (last.IsEmpty() || last.EqualExact(".") || last.EqualExact("..")) return kNotFound;
  if (const char* why = OpenDirectory(StrPtr(p, cut ? cut - 1 : 0))) return why;
  if (cut == 1) return kOutside;  // "/name"
  component_.Set(last);
  bool isLink = false;
  bool isFile = false;
  if (int err = OsFileEntryAt(dirFd_, component_.Text(), &isLink, &isFile)) return Reason(err);
  if (isLink) return kSymlink;
  if (!isFile) return kNotFile;
  return nullptr;
}

bool ArchiveCheck::IgnoresCase(int dirFd, const StrPtr& name, Error* e) {
  StrBuf flipped;
  if (!FlipCase(name, &flipped)) return false;
  caseChecked_ = true;
  bool same = false;
  if (OsSameEntryAt(dirFd, name.Text(), flipped.Text(), &same) != 0 || !same) return false;
  e->Set(kMsgArchiveRootIgnoresCase) << root_;
  return true;
}

void ArchiveCheck::Report(DifferenceLog* log, const JournalRecord& rec, const StrPtr& name,
                          const char* reason) {
  ++missing;
  if (!reported_.emplace(name.View()).second) return;
  Difference d{DiffKind::kArchiveMissing};
  d.table = *rec.Get(2);
  d.field = StrPtr(reason);
  d.original = name;
  log->Add(d);
}

void ArchiveCheck::Check(const JournalRecord& rec, ViewMap* depotMap, DifferenceLog* log,
                         Error* e) {
  const StrPtr* table = rec.Get(2);
  const StrPtr* version = rec.Get(1);
  if (!table || !version) return;
  if (!fieldsKnown_ || !table->EqualExact(fieldsTable_) || !version->EqualExact(fieldsVersion_)) {
    static const char* const kNames[5] = {"action", "type", "lbrFile", "lbrType", "lbrRev"};
    Error lookup;
    fieldsKnown_ = true;
    for (int i = 0; i < 5; ++i) {
      pos_[i] = rec.FieldPosition(StrPtr(kNames[i]), &lookup);
      if (pos_[i] < 0) fieldsKnown_ = false;
    }
    fieldsTable_.Set(*table);
    fieldsVersion_.Set(*version);
  }
  if (!fieldsKnown_) return;
  const StrPtr* f[5];
  for (int i = 0; i < 5; ++i) {
    f[i] = rec.Get(pos_[i]);
    if (!f[i]) return;
  }
  if (!RevisionHasArchive(ParseDecimal(*f[0]), ParseDecimal(*f[1]))) return;
  if (!depotMap || !depotMap->Translate(0, *f[2], &mapped_)) {
    ++checked;
    Report(log, rec, *f[2], "not visible through the depot map");
    return;
  }
  bool twoComponent = false;
  if (!ArchiveName(mapped_, *f[3], *f[4], &wanted_, &twoComponent)) {
    ++checked;
    Report(log, rec, *f[2], "of an unknown archive type");
    return;
  }
  // The revisions of one archive come together: it is looked up once.
  if (wanted_.EqualExact(last_)) return;
  last_.Set(wanted_);
  ++checked;
  if (const char* why = Lookup(wanted_)) {
    Report(log, rec, wanted_, why);
    return;
  }
  if (!caseChecked_) {
    const char* p = wanted_.Text();
    uint32_t cut = wanted_.Length();
    while (cut > 0 && p[cut - 1] != '/') --cut;
    IgnoresCase(dirFd_, StrPtr(p + cut, wanted_.Length() - cut), e);
  }
}
