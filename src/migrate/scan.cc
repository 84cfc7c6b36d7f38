// The scan pass: reads the checkpoint once, record by record in input order,
// hands each data record to the table catalogue and then to the record
// sink, and turns the journal notes into the run's header template and
// Unicode flag. One record object is reused for every record, so the loop
// itself makes no allocation per record.
#include <clocale>
#include <cstring>

#include "journal/journal_record.h"
#include "journal/record_prefetch.h"
#include "journal/zt_journal.h"
#include "map/case_policy.h"
#include "map/translation_map.h"
#include "migrate/catalogue.h"
#include "migrate/migrator.h"
#include "migrate/output_messages.h"
#include "migrate/progress.h"
#include "migrate/rename/archive_renamer.h"
#include "support/files/files_messages.h"
#include "support/messages/message_log.h"
#include "support/text/fold.h"

namespace {

const int kProgressInterval = 100000;

// A note record's operation begins with "n" or "N".
bool IsNote(const JournalRecord& rec) {
  const StrPtr* op = rec.Get(0);
  return op && op->Length() > 0 && (op->Text()[0] == 'n' || op->Text()[0] == 'N');
}

// Prints the fold mode settled at the first data record.
void ReportFoldMode(bool localeSet, bool unicode, const std::string& locale) {
  if (!unicode) {
    if (localeSet)
      DebugPrintf("Locale set to: %s\n", setlocale(LC_ALL, nullptr));
    else
      DebugPrintf("Error setting locale to: %s\n", locale.c_str());
  }
  if (unicode) DebugPrintf("Unicode Checkpoint detected\n");
  if (Utf8Folding()) DebugPrintf("Utf8 path folding enabled\n");
  if (SevenBitFolding()) DebugPrintf("7-bit path folding enabled\n");
}

}  // namespace

// The records, rate and progress reports of one scan.
struct ScanPace {
  explicit ScanPace(ZtJournal* reader) : source(reader), progress(reader) { timer.Start(); }
  ZtJournal* source;  // the run's reader, or its prefetcher
  ScanProgress progress;
  Timer timer;
  int lastReport = 0;  // ms at the last rate line
};

bool Migrator::ChooseFoldMode() {
  bool localeSet = true;
  const char* locale = config.locale.c_str();
  // -u folds as UTF-8 for the whole run, even after a header note without
  // the Unicode flag.
  bool utf8 = config.unicode;
  if (unicodeCheckpoint) {
    utf8 = true;
    SetSevenBitFolding(false);
  } else {
    if (!strcmp(locale, "C") || !strcmp(locale, "POSIX")) SetSevenBitFolding(true);
    if (strstr(locale, "UTF-8")) utf8 = true;
    localeSet = setlocale(LC_ALL, locale) != nullptr;
  }
  SetUtf8Folding(utf8);
  return localeSet;
}

void Migrator::SettleFoldMode() {
  if (foldModeSettled) return;
  ReportFoldMode(ChooseFoldMode(), unicodeCheckpoint, config.locale);
  foldModeSettled = true;
  if (!mapsFoldMode.empty() && FoldModeName() != mapsFoldMode) {
    translationMap->Rekey();
    policyMap->Rekey();
  }
}

std::string Migrator::FoldModeName() {
  std::string name = Utf8Folding() ? "utf8 " : SevenBitFolding() ? "7-bit " : "locale ";
  const char* locale = setlocale(LC_CTYPE, nullptr);
  if (locale) name += locale;
  return name;
}

void Migrator::StartScan() {
  notes.Clear();
  switch (config.policyKind) {
    case kPolicyLower: policy = std::make_unique<LowerCasePolicy>(policyMap.get()); break;
    case kPolicyUpper: policy = std::make_unique<UpperCasePolicy>(policyMap.get()); break;
    case kPolicyMixed: policy = std::make_unique<MixedCasePolicy>(policyMap.get()); break;
    default: policy.reset(); break;
  }
  if ((config.mode & kModeRenameArchives) && !renamer) {
    renamer = std::make_unique<ArchiveRenamer>();
    for (const std::string& dir : config.archiveDirs)
      renamer->Locations()->AddDirectory(StrPtr(dir.c_str()));
  }
}

void Migrator::Scan(Error* e) {
  StartScan();
  // An input that cannot be opened is reported before the scan starts.
  if (!reader->OpenInput(e)) return;
  DebugPrintf("Starting scan of %lld byte checkpoint file...\n",
              static_cast<long long>(reader->Size()));
  // With a second thread the records are parsed on it, ahead of the loop.
  std::unique_ptr<RecordPrefetch> prefetch;
  if (config.threads > 1 && (!input || RecordPrefetch::MayReadAhead(input->Stat())))
    prefetch = std::make_unique<RecordPrefetch>(reader.get());
  ScanPace pace(prefetch ? prefetch.get() : reader.get());
  JournalRecord record;
  while (pace.source->ReadRecord(&record, e) && !e->Test()) {
    if (!ScanRecord(&record, &pace, e)) return;
    if (e->Test()) break;
  }
  // A corrupt record at the very end of the input is counted too.
  counters.skippedRecords = pace.source->SkippedCount();
  if (prefetch) prefetch->Stop();
  EndScan(e);
  DebugPrintf("Total time to process checkpoint, %d ms\n", pace.timer.Elapsed());
  if (Verbosity() >= 4) DebugPrintf("Total time doing renames, %d ms\n", counters.renameTime);
  notes.Clear();
}

bool Migrator::ScanRecord(JournalRecord* record, ScanPace* pace, Error* e) {
  if (int sig = InterruptSignal()) {
    e->Set(kMsgInterrupted) << sig;
    return false;
  }
  counters.skippedRecords = pace->source->SkippedCount();
  const bool note = IsNote(*record);
  ++(note ? counters.notesRead : counters.recordsRead);
  int64_t n = counters.recordsRead + counters.notesRead;
  pace->progress.Record(n);
  if (note) {
    ProcessNote(record, e);
    return e->GetSeverity() <= E_INFO;
  }
  SettleFoldMode();
  if (sink) sink->Read(*record);
  catalogue->ProcessRecord(record, config.mode & kModeRenameArchives, e);
  if (e->GetSeverity() > E_INFO) {
    if (e->IsFatal()) return false;
    GetMessageLog()->Report(e, MessageLog::kHeader | MessageLog::kCallHook);
    e->Clear();
  }
  if (sink) sink->Put(*record, e);
  if (n % kProgressInterval == 0 && !pace->progress.Enabled()) {
    int now = pace->timer.Elapsed();
    DebugPrintf("Record %lld, Processed %d records in %d ms\n", static_cast<long long>(n),
                kProgressInterval, now - pace->lastReport);
    pace->lastReport = now;
  }
  return true;
}

void Migrator::EndScan(Error* e) {
  if (sink) {
    sink->Finish(!e->Test(), e);
    counters.recordsWritten = sink->Written();
    counters.notesWritten = sink->NotesWritten();
    // A journal patch holds only the changed rows; every other output holds
    // each record read.
    if (sink->HoldsEveryRecord() && !e->Test() &&
        counters.recordsWritten != counters.recordsRead) {
      e->Set(kMsgRecordsUnaccounted) << counters.recordsRead << counters.recordsWritten
                                     << sink->Name();
    }
  }
  if (renamer) {
    counters.lostData += renamer->lostData;
    counters.archiveConflicts += renamer->archiveConflicts;
    counters.renameCount += renamer->renameCount;
    counters.renameTime = renamer->renameTime;
    renamer->lostData = renamer->archiveConflicts = renamer->renameCount = 0;
  }
}

void Migrator::ProcessNote(JournalRecord* note, Error* e) {
  const StrPtr* type = note->Get(1);
  const StrPtr* flags = note->Get(4);
  int k = type ? ParseDecimal(*type) : -1;
  int f = flags ? ParseDecimal(*flags) : 0;

  // Only the first note of the input becomes the template.
  if (!notes.HasTemplate()) notes.SetTemplate(*note, e);
  if (k == 0 || k == 2) unicodeCheckpoint = (f & 8) != 0;
  if (sink) {
    sink->NoteRead(*note);
    sink->Noted(e);
  }
}
