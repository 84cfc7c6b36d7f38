#include "migrate/rename/archive_mover.h"

#include <errno.h>
#include <stdio.h>
#include <time.h>

#include <algorithm>
#include <set>

#include "migrate/rename/archive_locations.h"
#include "migrate/rename/archive_renamer.h"
#include "migrate/rename/rename_messages.h"
#include "migrate/rename/rename_plan.h"
#include "support/files/files_messages.h"
#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"
#include "support/files/posix/os_move.h"
#include "support/messages/debug.h"
#include "support/messages/message_log.h"
#include "support/text/charset.h"
#include "support/text/printable.h"

namespace {

// The directory part of a name: "" for a bare name, "/" above "/x".
std::string Parent(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

StrPtr View(const std::string& s) { return StrPtr(s.data(), static_cast<uint32_t>(s.size())); }
StrPtr View(std::string_view s) { return StrPtr(s.data(), static_cast<uint32_t>(s.size())); }

void ReportMoveFailure(const std::string& from, const std::string& to, int err) {
  Error e;
  StrBuf text;
  SysErrorText(err, &text);
  e.Set(kMsgMoveFailed) << Printable(View(from)).Text() << Printable(View(to)).Text() << text;
  GetMessageLog()->Report(&e);
}

// A link found on the way at the moment of the move (swapped in after the
// plan was made): the archive is left where it is.
void ReportLink(const std::string& name, const std::string& where) {
  Error e;
  e.Set(kMsgArchiveLink) << Printable(View(name)).Text() << Printable(View(where)).Text();
  GetMessageLog()->Report(&e);
}

}  // namespace

int MoveInLocation(ArchiveLocations* locations, int location, std::string_view from,
                   std::string_view to) {
  int err = locations->Move(location, from, to);
  const int attempts = GetLevel(kRenameRetries);
  for (int i = 0; err && OsMoveErrorIsTransient(err) && i < attempts; ++i) {
    OsSleepMs(GetLevel(kRenameWaitMs));
    err = locations->Move(location, from, to);
  }
  return err;
}

std::string DefaultUndoLogName(const std::string& dir) {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string name = dir;
  if (name.empty() || name.back() != '/') name.push_back('/');
  return name + "ztmigrate-undo-" + stamp + ".log";
}

ArchiveMover::ArchiveMover(const RenameOptions& options, ArchiveLocations* locations)
    : options_(options), locations_(locations) {}

ArchiveMover::ArchiveMover(const RenameOptions& options, const StrPtr& root)
    : options_(options), ownLocations_(std::make_unique<ArchiveLocations>()) {
  ownLocations_->SetRoot(root);
  locations_ = ownLocations_.get();
}

ArchiveMover::~ArchiveMover() = default;

void ArchiveMover::OpenJournal(Error* e) {
  if (!options_.undoLog.IsEmpty()) {
    journal_.Create(options_.undoLog, locations_, e);
    return;
  }
  // Two runs in one second: the second journal gets a number.
  std::string base = DefaultUndoLogName(std::string(options_.undoLogDir.View()));
  for (int n = 1; n < 100; ++n) {
    std::string name = base;
    if (n > 1) name.insert(name.size() - 4, "-" + std::to_string(n));
    if (OsNameExists(name.c_str())) continue;
    journal_.Create(View(name), locations_, e);
    return;
  }
  journal_.Create(View(base), locations_, e);
}

void ArchiveMover::Execute(const RenamePlan& plan, Error* e) {
  if (plan.Count() == 0 && (!options_.pruneEmptyDirs || emptiedCandidates_.empty())) return;
  for (size_t i = 0; i < plan.Count(); ++i) {
    const int loc = static_cast<int>(plan.At(i).location);
    if (int err = locations_->Open(loc)) {
      StrBuf text;
      SysErrorText(err, &text);
      e->Set(kMsgLocationUnusable) << Printable(locations_->Name(loc)).Text() << text;
      return;
    }
  }
  OpenJournal(e);
  if (e->Test()) return;
  RunBeforeOutputHook();
  fprintf(stderr, "Undo journal: %s\n", journal_.Path().Text());
  for (size_t begin = 0; begin < plan.Count() && !e->Test(); begin += kBatch) {
    // An interrupt stops the moves between two batches: every move made is
    // in the journal, and the run can be completed or undone later.
    if (int sig = InterruptSignal()) {
      e->Set(kMsgInterrupted) << sig;
      break;
    }
    RunBatch(plan, begin, std::min(plan.Count(), begin + kBatch), e);
  }
  if (!e->Test() && options_.pruneEmptyDirs) Prune(e);
  // The closing line says the run ended, whether it finished its moves or
  // was interrupted between them.
  Error closing;
  journal_.Finish(&closing);
  if (!e->Test()) e->Merge(closing);
}

void ArchiveMover::RunBatch(const RenamePlan& plan, size_t begin, size_t end, Error* e) {
  // Every step of the batch reaches the disk before the first is taken.
  std::set<std::pair<int, std::string>> madeInBatch;
  std::vector<std::string> missing;
  // Moves into one directory follow each other: its parents are looked for
  // once, for the first of them.
  // A move whose parents could not be looked for while journalling is not
  // made: a directory it made would be missing from the journal.
  std::vector<int> parentsUnknown(end - begin, 0);
  std::string parent, lastParent;
  int lastLoc = -1;
  bool parentsKnown = false;
  for (size_t i = begin; i < end; ++i) {
    const PlannedMove& m = plan.At(i);
    const int loc = static_cast<int>(m.location);
    std::string to(m.to);
    parent = Parent(to);
    if (!parentsKnown || parent != lastParent || loc != lastLoc) {
      int err = locations_->MissingParents(loc, to, &missing);
      // A link on the way is found again, and reported, at the move.
      if (err && err != ELOOP) parentsUnknown[i - begin] = err;
      if (err) missing.clear();
      for (const std::string& dir : missing)
        if (madeInBatch.emplace(loc, dir).second) journal_.AddMkDir(View(dir), loc);
      lastParent = parent;
      lastLoc = loc;
      parentsKnown = err == 0;
    }
    journal_.AddMove(View(m.from), View(m.to), loc);
  }
  journal_.Sync(e);
  if (e->Test()) return;

  parentsKnown = false;
  for (size_t i = begin; i < end; ++i) {
    const PlannedMove& m = plan.At(i);
    const int loc = static_cast<int>(m.location);
    std::string from(m.from), to(m.to);
    int err = 0;
    parent = Parent(to);
    if (parentsKnown && parent == lastParent && loc == lastLoc) missing.clear();
    else err = locations_->MissingParents(loc, to, &missing);
    lastParent = parent;
    lastLoc = loc;
    if (!err && parentsUnknown[i - begin]) {
      err = parentsUnknown[i - begin];
      ReportMoveFailure(from, Parent(to), err);
    }
    size_t made = 0;
    for (size_t k = 0; !err && k < missing.size(); ++k) {
      if (!madeInBatch.count({loc, missing[k]})) {
        // Never journalled (it was there when the batch was journalled):
        // a directory made now could not be taken back by an undo.
        err = ENOENT;
        ReportMoveFailure(from, missing[k], err);
        break;
      }
      err = locations_->MakeDir(loc, missing[k]);
      if (err == EEXIST) err = 0;
      if (err && err != ELOOP) ReportMoveFailure(from, missing[k], err);
      if (!err) ++made;
    }
    if (!err) {
      RunBeforeOutputHook();
      fprintf(stderr, "Renaming %s to %s%s%s\n", Printable(View(from)).c_str(),
              Printable(View(to)).c_str(), loc ? " in " : "",
              loc ? Printable(locations_->Name(loc)).c_str() : "");
      err = MoveInLocation(locations_, loc, from, to);
      if (err == EEXIST) {
        // Something took the wanted name after the scan: both stay.
        StrBuf text;
        AppendConflictHeader(2, View(to), &text);
        AppendConflictEntry(View(to), true, &text);
        AppendConflictEntry(View(from), false, &text);
        GetMessageLog()->Output(text);
        ++conflicts;
      } else if (err && err != ELOOP) {
        ReportMoveFailure(from, to, err);
      }
    }
    if (err == ELOOP) {
      // A directory on the way became a link after the plan was made: the
      // archive is a conflict, and nothing is followed.
      std::vector<std::string> ignored;
      const bool fromSide = locations_->MissingParents(loc, from, &ignored) == ELOOP;
      ReportLink(fromSide ? from : to, Parent(fromSide ? from : to));
      ++conflicts;
    }
    // The parents exist now unless this move failed (and took back the
    // directories it made).
    parentsKnown = !err;
    if (err) {
      // A failed move leaves no directory made for it behind.
      while (made > 0) locations_->RemoveDir(loc, missing[--made]);
      if (err != EEXIST && err != ELOOP) ++failed;
      journal_.AddNotMoved(View(from), View(to), loc);
      continue;
    }
    ++moved;
    if (options_.pruneEmptyDirs) {
      std::string dir = Parent(from);
      if (!dir.empty()) emptiedCandidates_.emplace_back(loc, dir);
    }
  }
}

void ArchiveMover::Prune(Error* e) {
  // Level by level, deepest first: a directory whose listing is empty is
  // journalled, then removed; its parent becomes a candidate of the next
  // round. A location itself is never removed.
  std::set<std::pair<int, std::string>> candidates(emptiedCandidates_.begin(),
                                                   emptiedCandidates_.end());
  emptiedCandidates_.clear();
  while (!candidates.empty()) {
    std::vector<std::pair<int, std::string>> empty;
    for (const auto& [loc, dir] : candidates) {
      StrVarArray names;
      if (locations_->List(loc, dir, &names) == 0 && names.Count() == 0) empty.emplace_back(loc, dir);
    }
    if (empty.empty()) break;
    for (const auto& [loc, dir] : empty) journal_.AddRmDir(View(dir), loc);
    journal_.Sync(e);
    if (e->Test()) return;
    std::set<std::pair<int, std::string>> next;
    for (const auto& [loc, dir] : empty) {
      if (locations_->RemoveDir(loc, dir) != 0) continue;
      ++prunedDirs;
      std::string up = Parent(dir);
      if (!up.empty()) next.emplace(loc, up);
    }
    candidates.swap(next);
  }
}
