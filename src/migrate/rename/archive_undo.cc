#include "migrate/rename/archive_undo.h"

#include <errno.h>
#include <stdio.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "migrate/rename/archive_mover.h"
#include "migrate/rename/rename_messages.h"
#include "migrate/rename/undo_journal.h"
#include "support/files/posix/os_file.h"
#include "support/files/posix/os_move.h"
#include "support/messages/message_log.h"
#include "support/text/charset.h"

namespace {

// name under root, unless it is absolute.
std::string UnderRoot(const std::string& root, const std::string& name) {
  if (name.empty() || name[0] == '/' || root.empty()) return name;
  std::string out = root;
  if (out.back() != '/') out.push_back('/');
  return out + name;
}

void Say(const char* format, const std::string& a, const std::string& b) {
  RunBeforeOutputHook();
  fprintf(stderr, format, a.c_str(), b.c_str());
}

}  // namespace

void UndoArchiveMoves(const StrPtr& journal, UndoCounts* counts, Error* e) {
  std::string root;
  std::vector<UndoStep> steps;
  ReadUndoJournal(journal, &root, &steps, e);
  if (e->Test()) return;

  std::set<std::pair<std::string, std::string>> notMoved;
  std::vector<std::string> missing;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    const std::string from = UnderRoot(root, it->from);
    const std::string to = UnderRoot(root, it->to);
    switch (it->kind) {
      case UndoStep::kNotMoved:
        notMoved.emplace(it->from, it->to);
        break;
      case UndoStep::kRmDir:
        OsMkDir(from.c_str());
        break;
      case UndoStep::kMkDir:
        // Left in place when something is still in it.
        OsRmDir(from.c_str());
        break;
      case UndoStep::kMove: {
        if (notMoved.count({it->from, it->to})) {
          ++counts->notMade;
          break;
        }
        if (!OsNameExists(to.c_str())) {
          if (OsNameExists(from.c_str())) {
            // Journalled ahead of a move that an interruption prevented.
            ++counts->notMade;
          } else {
            Say("Not restored: %s is gone; nothing is at %s\n", it->to, it->from);
            ++counts->gone;
          }
          break;
        }
        MissingParents(from, &missing);
        for (const std::string& dir : missing) OsMkDir(dir.c_str());
        int err = MoveNoReplaceRetrying(to.c_str(), from.c_str());
        if (err == EEXIST) {
          Say("Not restored: %s stays, since %s is taken\n", it->to, it->from);
          ++counts->taken;
        } else if (err) {
          Error failure;
          StrBuf text;
          SysErrorText(err, &text);
          failure.Set(kMsgMoveFailed) << StrPtr(to.c_str()) << StrPtr(from.c_str()) << text;
          GetMessageLog()->Report(&failure);
          ++counts->failed;
        } else {
          Say("Restoring %s to %s\n", it->to, it->from);
          ++counts->reversed;
        }
        break;
      }
    }
  }
  const int32_t skipped = counts->gone + counts->taken + counts->failed;
  if (skipped) e->Set(kMsgUndoSkipped) << skipped;
}
