#include "migrate/rename/archive_renamer.h"

#include <errno.h>
#include <stdio.h>

#include <memory>

#include "journal/journal_record.h"
#include "map/view_map.h"
#include "migrate/rename/archive_name.h"
#include "migrate/rename/rename_messages.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "support/text/charset.h"
#include "support/text/printable.h"

namespace {

// The directory part of path: up to its last "/", "." when it has none and
// "/" when the only separator is the leading one.
void DirectoryOf(const StrPtr& path, StrBuf* out) {
  const char* p = path.Text();
  uint32_t i = path.Length();
  while (i > 0 && p[i - 1] != '/') --i;
  if (i == 0) out->Set(".");
  else if (i == 1) out->Set("/");
  else out->Set(p, i - 1);
}

// The last component of path (all of it when it has no "/").
StrPtr LastComponent(const StrPtr& path) {
  const char* p = path.Text();
  uint32_t i = path.Length();
  while (i > 0 && p[i - 1] != '/') --i;
  return StrPtr(p + i, path.Length() - i);
}

}  // namespace

void AppendConflictHeader(int found, const StrPtr& wanted, StrBuf* text) {
  text->Append("Case Conflict Detected!!! ");
  text->AppendInt(found);
  text->Append(" archives found for ");
  AppendPrintable(wanted, text);
  text->Append("\n");
}

void AppendConflictEntry(const StrPtr& name, bool selected, StrBuf* text) {
  text->Append(selected ? "  selected: " : "  lost:     ");
  AppendPrintable(name, text);
  text->Append("\n");
}

ArchiveRenamer::ArchiveRenamer() {
  timer_.Start();
  // The default depot's map, which every run has.
  locations_.AddDepotMap(StrPtr("depot/..."));
}

DirCache* ArchiveRenamer::Cache() {
  while (caches_.size() <= static_cast<size_t>(loc_)) {
    const int loc = static_cast<int>(caches_.size());
    caches_.push_back(std::make_unique<DirCache>([this, loc](const StrPtr& dir, StrVarArray* names) {
      std::string_view rel = dir.View();
      if (rel == ".") rel = std::string_view();
      return locations_.List(loc, rel, names);
    }));
  }
  return caches_[static_cast<size_t>(loc_)].get();
}

void ArchiveRenamer::ResetCache() {
  for (auto& c : caches_) c->Clear();
}

void ArchiveRenamer::Report(Error* e) {
  if (e->GetSeverity() == E_EMPTY) return;
  if (holding_ && !wrongRoot_) {
    held_.push_back(std::make_unique<Error>());
    held_.back()->Merge(*e);
  } else if (!wrongRoot_) {
    GetMessageLog()->Report(e);
  }
  e->Clear();
}

void ArchiveRenamer::FoundOne() {
  if (!holding_) return;
  holding_ = false;
  ReleaseReports(true);
}

void ArchiveRenamer::ReleaseReports(bool print) {
  if (print) {
    for (const auto& held : held_) GetMessageLog()->Report(held.get());
    if (conflictText_.Length()) GetMessageLog()->Output(conflictText_);
  }
  held_.clear();
  conflictText_.Clear();
}

void ArchiveRenamer::NoteTrouble(const StrPtr& name, int err) {
  // A missing name or a file where a directory was looked for is an
  // ordinary miss.
  if (err == 0 || err == ENOENT || err == ENOTDIR) return;
  if (err == ELOOP) {
    if (linkMet_.IsEmpty()) linkMet_.Set(name);
    return;
  }
  if (!trouble_) {
    trouble_ = err;
    troubleAt_.Set(name);
  }
}

bool ArchiveRenamer::Settle(const StrPtr& wanted) {
  if (loc_ == lastSettledLoc_ && wanted.EqualExact(lastSettled_)) return false;
  lastSettled_.Set(wanted);
  lastSettledLoc_ = loc_;
  return true;
}

bool ArchiveRenamer::FirstReport(const StrPtr& wanted) {
  std::string key = std::to_string(loc_);
  key.push_back(':');
  key.append(wanted.View());
  return reported_.insert(std::move(key)).second;
}

bool ArchiveRenamer::WasReported(const StrPtr& wanted) const {
  if (reported_.empty()) return false;
  std::string key = std::to_string(loc_);
  key.push_back(':');
  key.append(wanted.View());
  return reported_.count(key) != 0;
}

void ArchiveRenamer::Join(const StrPtr& dir, const StrPtr& name, StrBuf* out) {
  out->Clear();
  if (dir.Length() == 1 && dir[0] == '.') {
    out->Append(name);
    return;
  }
  out->Append(dir);
  if (dir.Length() == 0 || dir[dir.Length() - 1] != '/') out->AppendChar('/');
  out->Append(name);
}

bool ArchiveRenamer::ResolveFields(const JournalRecord& record, Error* e) {
  // A run of records of one table and version resolves the names once.
  const StrPtr* table = record.Table(e);
  const StrPtr* version = record.Version(e);
  if (!table || !version) return false;
  if (fieldsKnown_ && table->EqualExact(fieldsTable_) && version->EqualExact(fieldsVersion_))
    return true;
  static const char* const kNames[kFieldCount] = {"action", "type", "lbrFile", "lbrType",
                                                  "lbrRev"};
  for (int i = 0; i < kFieldCount; ++i) {
    fieldPos_[i] = record.FieldPosition(StrPtr(kNames[i]), e);
    if (fieldPos_[i] < 0) {
      fieldsKnown_ = false;
      return false;
    }
  }
  fieldsTable_.Set(*table);
  fieldsVersion_.Set(*version);
  fieldsKnown_ = true;
  return true;
}

void ArchiveRenamer::RenameArchive(const JournalRecord& record, ViewMap* depotMap, Error* e) {
  if (!ResolveFields(record, e)) return (void)++unreadable;
  // Deleted, purged, archived and stored-elsewhere revisions have no
  // archive file of their own to rename.
  const StrPtr* action = record.GetField(fieldPos_[kAction], e);
  if (!action) return (void)++unreadable;
  const StrPtr* type = record.GetField(fieldPos_[kType], e);
  if (!type) return (void)++unreadable;
  if (!RevisionHasArchive(ParseDecimal(*action), ParseDecimal(*type))) return;

  const StrPtr* lbrFile = record.GetField(fieldPos_[kLbrFile], e);
  if (!lbrFile) return (void)++unreadable;
  const StrPtr* lbrType = record.GetField(fieldPos_[kLbrType], e);
  if (!lbrType) return (void)++unreadable;
  const StrPtr* lbrRev = record.GetField(fieldPos_[kLbrRev], e);
  if (!lbrRev) return (void)++unreadable;

  // The revisions of one file come one after another and mostly share
  // their archive file: the depot map is asked once for them.
  if (!mappedValid_ || depotMap != mappedBy_ || !lbrFile->EqualExact(mappedFrom_)) {
    mappedValid_ = depotMap && depotMap->Translate(0, *lbrFile, &mapped_);
    mappedBy_ = depotMap;
    mappedFrom_.Set(*lbrFile);
    if (!mappedValid_) {
      mappedFrom_.Clear();
      e->Set(kMsgLbrNotVisible) << *lbrFile;
      ++unreadable;
      return;
    }
  }
  RenameMapped(*lbrFile, mapped_, *lbrType, *lbrRev, e);
}

void ArchiveRenamer::RenameMapped(const StrPtr& lbrFile, const StrPtr& mapped,
                                  const StrPtr& lbrType, const StrPtr& lbrRev, Error* e) {
  // The archive name by the storage kind: an RCS file (",v"), one file per
  // revision in a ",d" directory (plain or compressed), a binary (",t") or a
  // compressed (".gz") file.
  bool twoComponent = false;
  if (!ArchiveName(mapped, lbrType, lbrRev, &wanted_, &twoComponent)) {
    e->Set(kMsgUnknownLbrType) << lbrFile << lbrType;
    ++unreadable;
    return;
  }

  if (wrongRoot_) return;
  // The archive's location, and its name inside it.
  const uint32_t suffixLength = wanted_.Length() - mapped.Length();
  const ArchiveLocations::Where where = locations_.Locate(wanted_, &loc_, &relWanted_, &outsideDir_);
  if (where != ArchiveLocations::kInside) {
    // Named by the whole path, in a location of its own.
    loc_ = -1;
    if (!Settle(wanted_) || !FirstReport(wanted_)) return;
    ++refused;
    if (where == ArchiveLocations::kNotPlain)
      e->Set(kMsgArchivePathRefused) << Printable(wanted_).Text();
    else if (outsideReported_.emplace(outsideDir_.View()).second)
      e->Set(kMsgOutsideLocations) << Printable(outsideDir_).Text();
    return;
  }
  if (int err = locations_.Open(loc_)) {
    if (!Settle(wanted_) || !FirstReport(wanted_)) return;
    ++refused;
    if (outsideReported_.emplace(locations_.Name(loc_).View()).second) {
      StrBuf text;
      SysErrorText(err, &text);
      e->Set(kMsgLocationUnusable) << Printable(locations_.Name(loc_)).Text() << text;
    }
    return;
  }
  relMapped_.Set(relWanted_.Text(), relWanted_.Length() - suffixLength);

  const bool timing = Verbosity() >= 4;
  if (timing) ++renameCount;

  ctx_.conflicts = 0;
  ctx_.lost = 0;
  ctx_.source.Clear();
  ctx_.target.Clear();
  lbrFile_ = lbrFile;
  lbrRev_ = lbrRev;
  RenameVariants(&ctx_, relMapped_, relWanted_, twoComponent, e);

  if (timing) {
    int now = timer_.Elapsed();
    DebugPrintf("rename %d - entry: %d ms, total: %d ms %s\n", renameCount, now - lastTicks_, now,
                mapped.Text());
    lastTicks_ = now;
    renameTime = now;
  }
  lostData += ctx_.lost;
  archiveConflicts += ctx_.conflicts;
}

const NameList& ArchiveRenamer::FindDirVariants(const StrPtr& dir) {
  candidates_.Clear();
  linkMet_.Clear();
  trouble_ = 0;
  FoldArchiveName(dir, &folded_);
  const char* f = folded_.Text();
  const uint32_t len = folded_.Length();

  // Names are relative to the location, "." being the location itself.
  candidates_.Add()->Set(".");
  if (len == 0 || (len == 1 && f[0] == '.')) return candidates_;

  // One level per component: keep every on-disk name that folds to it.
  uint32_t pos = 0;
  while (pos <= len && candidates_.Count() > 0) {
    uint32_t end = pos;
    while (end < len && f[end] != '/') ++end;
    StrPtr component(f + pos, end - pos);
    next_.Clear();
    for (int c = 0; c < candidates_.Count(); ++c) {
      const StrBuf& cand = candidates_.At(c);
      const DirListing& listing = Cache()->List(cand);
      NoteTrouble(cand, listing.ListError());
      const uint32_t* b;
      const uint32_t* x;
      listing.Matches(component, &b, &x);
      for (const uint32_t* p = b; p < x; ++p) Join(cand, listing.Name(*p), next_.Add());
    }
    candidates_.Swap(&next_);
    if (end >= len) break;
    pos = end + 1;
  }
  return candidates_;
}

const NameList& ArchiveRenamer::DirVariantsOfDir() {
  // The revisions of one directory's files come one after another: their
  // directory's variants and listings are looked up once for all of them.
  DirCache* cache = Cache();
  if (dirsLoc_ == loc_ && dirsGeneration_ == cache->Generation() && dir_.EqualExact(dirsOf_)) {
    linkMet_.Set(dirsLink_);
    trouble_ = dirsTrouble_;
    troubleAt_.Set(dirsTroubleAt_);
    return dirVariants_;
  }
  FindDirVariants(dir_);
  dirVariants_.Swap(&candidates_);
  dirListings_.clear();
  for (int d = 0; d < dirVariants_.Count(); ++d) {
    if (!dirVariants_.At(d).EqualExact(dir_))
      otherCaseDirs_.emplace(loc_, std::string(dirVariants_.At(d).View()));
    dirListings_.push_back(&cache->List(dirVariants_.At(d)));
    NoteTrouble(dirVariants_.At(d), dirListings_.back()->ListError());
  }
  dirsOf_.Set(dir_);
  dirsLoc_ = loc_;
  dirsGeneration_ = cache->Generation();
  dirsLink_.Set(linkMet_);
  dirsTrouble_ = trouble_;
  dirsTroubleAt_.Set(troubleAt_);
  return dirVariants_;
}

void ArchiveRenamer::RenameVariants(RenameContext* ctx, const StrPtr& mapped,
                                    const StrPtr& wanted, bool twoComponent, Error* e) {
  if (Cache()->Size() > DirCache::kMaxDirectories) {
    if (Verbosity() >= 4)
      DebugPrintf("(info) Resetting FS cache, Exceeded %d entries\n", DirCache::kMaxDirectories);
    Cache()->Clear();
  }
  ctx->target.Set(wanted);
  // An archive already settled by an earlier record of the same file.
  // Whatever follows, an earlier record or the lookup below, settles it.
  if (!Settle(wanted)) return;
  if (plan_.HasTarget(wanted, loc_) || WasReported(wanted)) return;

  // N: the folded name looked for in each directory variant; for a
  // revision in a ",d" directory, that directory, and then the revision
  // file by its exact name.
  if (twoComponent) {
    joined_.Set(LastComponent(mapped));
    joined_.Append(",d");
    FoldArchiveName(joined_, &name_);
    const uint32_t revStart = mapped.Length() + 3;
    if (wanted.Length() > revStart) rev_.Set(wanted.Text() + revStart, wanted.Length() - revStart);
    else rev_.Clear();
  } else {
    FoldArchiveName(LastComponent(wanted), &name_);
  }

  DirectoryOf(mapped, &dir_);
  const NameList& dirs = DirVariantsOfDir();

  found_.Clear();
  for (int d = 0; d < dirs.Count(); ++d) {
    const StrBuf& dirName = dirs.At(d);
    const DirListing& listing = *dirListings_[static_cast<size_t>(d)];
    const uint32_t* b;
    const uint32_t* x;
    listing.Matches(name_, &b, &x);
    for (const uint32_t* p = b; p < x; ++p) {
      if (!twoComponent) {
        Join(dirName, listing.Name(*p), found_.Add());
        continue;
      }
      // The revision file counts under its exact name only: one status
      // call answers, where listing the whole ",d" directory costs several.
      if (rev_.IsEmpty()) continue;
      Join(dirName, listing.Name(*p), &joined_);
      joined_.AppendChar('/');
      joined_.Append(rev_);
      const int err = locations_.Exists(loc_, joined_.View());
      if (err == 0) found_.Add()->Set(joined_);
      else if (err == ELOOP) NoteTrouble(StrPtr(joined_.Text(), joined_.Length() - rev_.Length() - 1), err);
      else NoteTrouble(joined_, err);
    }
  }

  const int n = found_.Count();
  if (n > 0 || !linkMet_.IsEmpty()) {
    FoundOne();
  } else if (holding_ && ++lookedFor_ >= kWrongRootAfter) {
    // Not one archive where the root says: the root is wrong, and the
    // rename stops looking (the run then says so instead of listing every
    // archive as missing).
    wrongRoot_ = true;
    ++missing;
    wrongRootExample_.Set(wanted);
    held_.clear();
    conflictText_.Clear();
    return;
  }
  if (!linkMet_.IsEmpty()) {
    // A link on the way: following it could reach anywhere, so the archive
    // is a conflict for the administrator to settle.
    FirstReport(wanted);
    ctx->conflicts = 1;
    e->Set(kMsgArchiveLink) << Printable(wanted).Text() << Printable(linkMet_).Text();
    return;
  }
  if (n == 0 && trouble_) {
    FirstReport(wanted);
    ++refused;
    StrBuf text;
    SysErrorText(trouble_, &text);
    e->Set(kMsgArchiveUnreachable) << Printable(wanted).Text() << text;
    return;
  }
  if (n == 0) {
    FirstReport(wanted);
    ++missing;
    e->Set(kMsgMissingFile) << Printable(ctx->target).Text();
    return;
  }
  if (n > 1) {
    FirstReport(wanted);
    ReportConflict(wanted, found_, ctx);
    return;
  }
  ctx->source.Set(found_.At(0));
  if (ctx->source.EqualExact(ctx->target)) {
    ++alreadyCorrect;
    return;
  }
  PlanMove(ctx);
}

void ArchiveRenamer::ReportConflict(const StrPtr& wanted, const NameList& found,
                                    RenameContext* ctx) {
  StrBuf text;
  AppendConflictHeader(found.Count(), wanted, &text);
  ctx->conflicts = 1;
  for (int i = 0; i < found.Count(); ++i) {
    const StrBuf& name = found.At(i);
    const bool selected = name.EqualExact(wanted);
    if (selected) ctx->source.Set(name);
    else ++ctx->lost;
    AppendConflictEntry(name, selected, &text);
  }
  // Shown once the run is known to go ahead: a run refused as a whole
  // says only why.
  conflictText_.Append(text);
}

void ArchiveRenamer::PlanMove(RenameContext* ctx) {
  if (plan_.Add(ctx->source, ctx->target, lbrFile_, lbrRev_, loc_)) return;
  // One file on disk wanted under a second name (two depots mapped onto
  // one directory, say): it moves to the first name only, and the second
  // is reported as a conflict.
  FirstReport(ctx->target);
  found_.Clear();
  found_.Add()->Set(ctx->source);
  ctx->source.Clear();
  ReportConflict(ctx->target, found_, ctx);
}
