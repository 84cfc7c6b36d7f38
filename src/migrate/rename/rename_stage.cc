// The archive rename of a -R run: the archive root, then after the scan the
// checks that must pass before any archive moves, the dry run's listing or
// the moves, and the closing totals.
#include "migrate/rename/rename_stage.h"

#include <stdio.h>

#include "migrate/rename/archive_locations.h"
#include "migrate/rename/archive_mover.h"
#include "migrate/rename/archive_renamer.h"
#include "migrate/rename/move_listing.h"
#include "migrate/rename/rename_messages.h"
#include "migrate/rename/rename_plan.h"
#include "migrate/rename/rename_setup.h"
#include "support/files/posix/os_file.h"
#include "support/messages/message_log.h"
#include "support/text/printable.h"

namespace {

// The directory above an absolute directory name ("/" above "/x").
void ParentDir(const StrPtr& dir, StrBuf* out) {
  std::string_view d = dir.View();
  while (d.size() > 1 && d.back() == '/') d.remove_suffix(1);
  size_t slash = d.rfind('/');
  if (slash == std::string_view::npos) out->Set(".");
  else if (slash == 0) out->Set("/");
  else out->Set(d.data(), static_cast<uint32_t>(slash));
}

}  // namespace

RenameStage::RenameStage(const std::vector<std::string>& archiveDirs) {
  for (const std::string& dir : archiveDirs)
    renamer_.Locations()->AddDirectory(StrPtr(dir.c_str()));
}

bool RenameStage::RootReady(const StrPtr& serverRoot, Error* e) {
  if (!rootTried_) {
    rootTried_ = true;
    rootOpen_ = OpenArchiveRoot(serverRoot, &renamer_, e);
  }
  return rootOpen_;
}

RenameCounts RenameStage::Run(const RenameOptions& options, bool conflictsRemain,
                              const StrPtr& serverRoot, Error* e) {
  ArchiveRenamer* renamer = &renamer_;
  RenameCounts counts;
  counts.conflicts = renamer->archiveConflicts;
  counts.lostData = renamer->lostData;
  // Nothing moves unless every archive can be given its one spelling under
  // the right root.
  if (conflictsRemain) {
    renamer->ReleaseReports(false);
    e->Set(kMsgRenameRefusedConflicts);
    return counts;
  }
  StrBuf example;
  if (renamer->WrongRoot(&example)) {
    e->Set(kMsgRenameWrongRoot) << Printable(renamer->Locations()->Name(0)).Text()
                                << Printable(example).Text();
    return counts;
  }
  renamer->ReleaseReports(true);
  if (!RootReady(serverRoot, e)) {
    if (e->Test()) GetMessageLog()->Report(e, MessageLog::kHeader | MessageLog::kCallHook);
    e->Clear();
    if (serverRoot.IsEmpty()) e->Set(kMsgRenameNoRoot);
    else e->Set(kMsgRenameRootMissing) << serverRoot;
    return counts;
  }

  RenamePlan* plan = renamer->Plan();
  plan->Sort();
  ArchiveLocations* locations = renamer->Locations();

  RenameOptions opts;
  opts.dryRun = options.dryRun;
  opts.pruneEmptyDirs = options.pruneEmptyDirs;
  opts.undoLog.Set(options.undoLog);
  // The default journal lies beside the archive root, not inside it.
  ParentDir(locations->Name(0), &opts.undoLogDir);

  // Every place the moves may touch is named before the first of them.
  if (plan->Count()) {
    StrBuf text("Archive locations:\n");
    for (int i = 0; i < locations->Count(); ++i) {
      text.Append("  ");
      AppendPrintable(locations->Name(i), &text);
      text.Append(i == 0 ? " (archive root)\n" : " (--archive-dir)\n");
    }
    GetMessageLog()->Output(text);
  }

  ArchiveMover mover(opts, locations);
  if (opts.pruneEmptyDirs) mover.AddPruneCandidates(renamer->OtherCaseDirs());
  size_t notAttempted = 0;
  if (opts.dryRun) {
    MoveListing listing("Would rename");
    for (size_t i = 0; i < plan->Count(); ++i) {
      const PlannedMove& m = plan->At(i);
      listing.Add(m.from, m.to, locations->Name(static_cast<int>(m.location)), m.location != 0);
    }
  } else {
    mover.Execute(*plan, e);
    notAttempted = plan->Count() - static_cast<size_t>(mover.moved + mover.conflicts + mover.failed);
  }

  counts.conflicts += mover.conflicts;
  counts.lostData += mover.conflicts;
  const int32_t failed = renamer->unreadable + renamer->refused + mover.failed;
  const int32_t interrupted = static_cast<int32_t>(notAttempted);
  counts.unsettled = renamer->missing + counts.conflicts + failed + interrupted;
  counts.moved = opts.dryRun ? 0 : mover.moved;
  counts.toMove = opts.dryRun ? static_cast<int32_t>(plan->Count()) : 0;
  counts.missing = renamer->missing;

  StrBuf text;
  if (counts.conflicts) text.Append("Archive Case Conflict Detected during rename!\n");
  text.Append(opts.dryRun ? "Dry run, nothing was changed: archives to move "
                          : "Archive rename: archives moved ");
  text.AppendInt(opts.dryRun ? static_cast<int32_t>(plan->Count()) : mover.moved);
  text.Append(", already correct ");
  text.AppendInt(renamer->alreadyCorrect);
  text.Append(", missing ");
  text.AppendInt(renamer->missing);
  text.Append(", in conflict ");
  text.AppendInt(counts.conflicts);
  text.Append(" (both kept, nothing deleted), failed ");
  text.AppendInt(failed);
  if (interrupted) {
    // Moves an interrupt kept from being tried are not failures: the same
    // command finishes them, or the journal takes the run back.
    text.Append(", not tried (interrupted) ");
    text.AppendInt(interrupted);
    text.Append("\nRun the same command again to finish the rename, or take it back with:\n"
                "    ztmigrate --undo ");
    AppendPrintable(mover.JournalPath(), &text);
  }
  text.Append("\n");
  if (mover.prunedDirs) {
    text.Append("Emptied directories removed: ");
    text.AppendInt(mover.prunedDirs);
    text.Append("\n");
  }
  GetMessageLog()->Output(text);
  return counts;
}
