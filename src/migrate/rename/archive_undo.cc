#include "migrate/rename/archive_undo.h"

#include <errno.h>
#include <stdio.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "migrate/rename/archive_locations.h"
#include "migrate/rename/archive_mover.h"
#include "migrate/rename/rename_messages.h"
#include "migrate/rename/undo_journal.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "support/text/charset.h"
#include "support/text/printable.h"

namespace {

StrPtr View(const std::string& s) { return StrPtr(s.data(), static_cast<uint32_t>(s.size())); }

void Say(const char* format, const std::string& a, const std::string& b) {
  RunBeforeOutputHook();
  fprintf(stderr, format, Printable(View(a)).c_str(), Printable(View(b)).c_str());
}

void ReportFailure(const std::string& from, const std::string& to, int err) {
  Error failure;
  StrBuf text;
  SysErrorText(err, &text);
  failure.Set(kMsgMoveFailed) << Printable(View(from)).Text() << Printable(View(to)).Text()
                              << text;
  GetMessageLog()->Report(&failure);
}

}  // namespace

void UndoArchiveMoves(const StrPtr& journalName, UndoCounts* counts, Error* e) {
  UndoJournal journal;
  ReadUndoJournal(journalName, &journal, e);
  if (e->Test()) return;
  // Runs are undone newest first: a later run's journal beside this one
  // must be undone before it.
  StrBuf absolute;
  AbsoluteLexical(journalName, &absolute);
  const std::string later = SuccessorJournal(std::string(absolute.View()));
  if (!later.empty()) {
    e->Set(kMsgUndoOutOfOrder) << Printable(journalName).Text() << Printable(View(later)).Text();
    return;
  }

  // The journal's locations, reached as the rename reached them: by
  // descriptor, following no link but a depot's own top directory.
  ArchiveLocations locations;
  locations.SetRoot(View(journal.root));
  for (const std::string& dir : journal.locations) locations.AddDirectory(View(dir));
  for (const auto& [loc, top] : journal.depotTops) locations.AddDepotTop(loc, View(top));
  std::vector<bool> usable(static_cast<size_t>(locations.Count()), true);
  for (const UndoStep& step : journal.steps) {
    if (!usable[static_cast<size_t>(step.location)]) continue;
    if (int err = locations.Open(step.location)) {
      usable[static_cast<size_t>(step.location)] = false;
      StrBuf text;
      SysErrorText(err, &text);
      e->Set(kMsgLocationUnusable) << Printable(locations.Name(step.location)).Text() << text;
    }
  }
  if (e->Test()) return;

  std::set<std::pair<std::string, std::string>> notMoved;
  std::vector<std::string> missing;
  for (auto it = journal.steps.rbegin(); it != journal.steps.rend(); ++it) {
    // An interrupt stops the undo between two steps: what is left is
    // undone by running it again.
    if (int sig = InterruptSignal()) {
      e->Set(kMsgUndoInterrupted) << sig;
      break;
    }
    const int loc = it->location;
    const std::string& from = it->from;
    const std::string& to = it->to;
    switch (it->kind) {
      case UndoStep::kNotMoved:
        notMoved.emplace(from, to);
        break;
      case UndoStep::kRmDir:
        locations.MakeDir(loc, from);
        break;
      case UndoStep::kMkDir:
        // Left in place when something is still in it.
        locations.RemoveDir(loc, from);
        break;
      case UndoStep::kMove: {
        if (notMoved.count({from, to})) {
          ++counts->notMade;
          break;
        }
        int there = locations.Exists(loc, to);
        if (there == ENOENT || there == ENOTDIR) {
          if (locations.Exists(loc, from) == 0) {
            // Journalled ahead of a move that an interruption prevented.
            ++counts->notMade;
          } else {
            Say("Not restored: %s is gone; nothing is at %s\n", to, from);
            ++counts->gone;
          }
          break;
        }
        int err = there;
        if (!err) err = locations.MissingParents(loc, from, &missing);
        for (size_t i = 0; !err && i < missing.size(); ++i) {
          err = locations.MakeDir(loc, missing[i]);
          if (err == EEXIST) err = 0;
        }
        if (!err) err = MoveInLocation(&locations, loc, to, from);
        if (err == EEXIST) {
          Say("Not restored: %s stays, since %s is taken\n", to, from);
          ++counts->taken;
        } else if (err == ELOOP) {
          Say("Not restored: %s stays, since a symbolic link lies on the way to it or to %s\n",
              to, from);
          ++counts->failed;
        } else if (err) {
          ReportFailure(to, from, err);
          ++counts->failed;
        } else {
          Say("Restoring %s to %s\n", to, from);
          ++counts->reversed;
        }
        break;
      }
    }
  }
  const int32_t skipped = counts->gone + counts->taken + counts->failed;
  if (skipped) e->Set(kMsgUndoSkipped) << skipped;
  // Every move taken back: the run before this one may be undone next.
  if (!skipped && !InterruptSignal()) MarkJournalUndone(absolute, e);
  if (!journal.finished && !InterruptSignal()) e->Set(kMsgJournalUnfinished) << journalName << counts->reversed;
}
