#include "migrate/rename/archive_mover.h"

#include <errno.h>
#include <stdio.h>
#include <time.h>

#include <algorithm>
#include <set>

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
  e.Set(kMsgMoveFailed) << View(from) << View(to) << text;
  GetMessageLog()->Report(&e);
}

}  // namespace

int MoveNoReplaceRetrying(const char* from, const char* to) {
  int err = OsMoveNoReplace(from, to);
  const int attempts = GetLevel(ZT_SYS_RENAME_MAX);
  for (int i = 0; err && OsMoveErrorIsTransient(err) && i < attempts; ++i) {
    OsSleepMs(GetLevel(ZT_SYS_RENAME_WAIT));
    err = OsMoveNoReplace(from, to);
  }
  return err;
}

void MissingParents(const std::string& path, std::vector<std::string>* out) {
  out->clear();
  for (std::string dir = Parent(path); !dir.empty() && dir != "/"; dir = Parent(dir)) {
    if (OsNameExists(dir.c_str())) break;
    out->push_back(dir);
  }
  std::reverse(out->begin(), out->end());
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

ArchiveMover::ArchiveMover(const RenameOptions& options, const StrPtr& root)
    : options_(options), root_(root) {}

void ArchiveMover::OpenJournal(Error* e) {
  if (!options_.undoLog.IsEmpty()) {
    journal_.Create(options_.undoLog, root_, e);
    return;
  }
  // Two runs in one second: the second journal gets a number.
  std::string base = DefaultUndoLogName(std::string(options_.undoLogDir.View()));
  for (int n = 1; n < 100; ++n) {
    std::string name = base;
    if (n > 1) name.insert(name.size() - 4, "-" + std::to_string(n));
    if (OsNameExists(name.c_str())) continue;
    journal_.Create(View(name), root_, e);
    return;
  }
  journal_.Create(View(base), root_, e);
}

void ArchiveMover::Execute(const RenamePlan& plan, Error* e) {
  if (plan.Count() == 0) return;
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
  Error closing;
  journal_.Close(&closing);
  if (!e->Test()) e->Merge(closing);
}

void ArchiveMover::RunBatch(const RenamePlan& plan, size_t begin, size_t end, Error* e) {
  // Every step of the batch reaches the disk before the first is taken.
  std::set<std::string> madeInBatch;
  std::vector<std::string> missing;
  // Moves into one directory follow each other: its parents are looked for
  // once, for the first of them.
  std::string parent, lastParent;
  bool parentsKnown = false;
  for (size_t i = begin; i < end; ++i) {
    const PlannedMove& m = plan.At(i);
    std::string to(m.to);
    parent = Parent(to);
    if (!parentsKnown || parent != lastParent) {
      MissingParents(to, &missing);
      for (const std::string& dir : missing)
        if (madeInBatch.insert(dir).second) journal_.AddMkDir(View(dir));
      lastParent = parent;
      parentsKnown = true;
    }
    journal_.AddMove(View(m.from), View(m.to));
  }
  journal_.Sync(e);
  if (e->Test()) return;

  parentsKnown = false;
  for (size_t i = begin; i < end; ++i) {
    const PlannedMove& m = plan.At(i);
    std::string from(m.from), to(m.to);
    int err = 0;
    parent = Parent(to);
    if (parentsKnown && parent == lastParent) missing.clear();
    else MissingParents(to, &missing);
    lastParent = parent;
    size_t made = 0;
    for (const std::string& dir : missing) {
      err = OsMkDir(dir.c_str());
      if (err == EEXIST) err = 0;
      if (err) {
        ReportMoveFailure(from, dir, err);
        break;
      }
      ++made;
    }
    if (!err) {
      RunBeforeOutputHook();
      fprintf(stderr, "Renaming %s to %s\n", from.c_str(), to.c_str());
      err = MoveNoReplaceRetrying(from.c_str(), to.c_str());
      if (err == EEXIST) {
        // Something took the wanted name after the scan: both stay.
        StrBuf text;
        AppendConflictHeader(2, View(to), &text);
        AppendConflictEntry(View(to), true, &text);
        AppendConflictEntry(View(from), false, &text);
        GetMessageLog()->Output(text);
        ++conflicts;
      } else if (err) {
        ReportMoveFailure(from, to, err);
      }
    }
    // The parents exist now unless this move failed (and took back the
    // directories it made).
    parentsKnown = !err;
    if (err) {
      // A failed move leaves no directory made for it behind.
      while (made > 0) OsRmDir(missing[--made].c_str());
      if (err != EEXIST) ++failed;
      journal_.AddNotMoved(View(from), View(to));
      continue;
    }
    ++moved;
    if (options_.pruneEmptyDirs) {
      std::string dir = Parent(from);
      if (!dir.empty() && dir[0] != '/') emptiedCandidates_.push_back(dir);
    }
  }
}

void ArchiveMover::Prune(Error* e) {
  // Level by level, deepest first: a directory whose listing is empty is
  // journalled, then removed; its parent becomes a candidate of the next
  // round.
  std::set<std::string> candidates(emptiedCandidates_.begin(), emptiedCandidates_.end());
  emptiedCandidates_.clear();
  while (!candidates.empty()) {
    std::vector<std::string> empty;
    for (const std::string& dir : candidates) {
      StrVarArray names;
      if (OsListDir(dir.c_str(), &names) == 0 && names.Count() == 0) empty.push_back(dir);
    }
    if (empty.empty()) break;
    for (const std::string& dir : empty) journal_.AddRmDir(View(dir));
    journal_.Sync(e);
    if (e->Test()) return;
    std::set<std::string> next;
    for (const std::string& dir : empty) {
      if (OsRmDir(dir.c_str()) != 0) continue;
      ++prunedDirs;
      std::string up = Parent(dir);
      if (!up.empty()) next.insert(up);
    }
    candidates.swap(next);
  }
}
