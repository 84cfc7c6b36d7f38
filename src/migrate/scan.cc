// The scan pass: reads the checkpoint once, record by record in input order,
// hands each data record to the table catalogue and then to the record
// sink, and turns the journal notes into the run's header template and
// Unicode flag. One record object is reused for every record, so the loop
// itself makes no allocation per record.
#include <cstring>
#include <string>

#include "journal/journal_record.h"
#include "journal/record_prefetch.h"
#include "journal/zt_journal.h"
#include "map/case_policy.h"
#include "map/translation_map.h"
#include "migrate/catalogue.h"
#include "migrate/migrator.h"
#include "migrate/output_messages.h"
#include "migrate/progress.h"
#include "migrate/rename/rename_stage.h"
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

// Prints the fold mode settled at the first data record: UTF-8 folding,
// which wins, and 7-bit folding are both named when both were asked for
// (-u with the "C" locale and a checkpoint not flagged Unicode).
void ReportFoldMode(const FoldRules& rules, bool unicode, const CLocale& locale) {
  if (!unicode) {
    if (locale.Valid())
      DebugPrintf("Locale set to: %s\n", locale.Name().c_str());
    else
      DebugPrintf("Error setting locale to: %s\n", locale.Name().c_str());
  }
  if (unicode) DebugPrintf("Unicode Checkpoint detected\n");
  if (rules.mode == FoldMode::kUtf8) DebugPrintf("Utf8 path folding enabled\n");
  const std::string& asked = locale.Name();
  if (rules.mode == FoldMode::kSevenBit ||
      (rules.mode == FoldMode::kUtf8 && !unicode && (asked == "C" || asked == "POSIX")))
    DebugPrintf("7-bit path folding enabled\n");
}

}  // namespace

// The records, rate and progress reports of one scan.
struct ScanPace {
  ScanPace(ZtJournal* reader, RecordPrefetch* ahead)
      : source(ahead ? ahead : reader), prefetch(ahead), progress(source) {
    timer.Start();
  }
  // The next record; the prefetcher's calls are direct ones.
  bool Read(JournalRecord* rec, Error* e) {
    return prefetch ? prefetch->ReadRecord(rec, e) : source->ReadRecord(rec, e);
  }
  int Skipped() const { return prefetch ? prefetch->SkippedCount() : source->SkippedCount(); }
  ZtJournal* source;         // the run's reader, or its prefetcher
  RecordPrefetch* prefetch;  // the prefetcher, or null
  ScanProgress progress;
  Timer timer;
  int lastReport = 0;  // ms at the last rate line
};

void Migrator::SettleFoldMode() {
  if (foldModeSettled_) return;
  fold_ = ChooseFoldRules();
  ReportFoldMode(fold_, unicodeCheckpoint_, locale_);
  foldModeSettled_ = true;
  // A map loaded under other rules is filed again under these.
  for (TranslationMap* map : {translationMap_.get(), policyMap_.get()}) {
    if (map->Fold() == fold_) continue;
    map->SetFoldRules(fold_);
    if (map->Loaded()) map->Rekey();
  }
  // The policies re-case bytes in the run's locale, those of a Unicode
  // checkpoint in the "C" locale.
  if (policy_) policy_->SetLocale(unicodeCheckpoint_ ? nullptr : locale_.Get());
}

void Migrator::StartScan() {
  notes_.Clear();
  switch (config_.policyKind) {
    case kPolicyLower: policy_ = std::make_unique<LowerCasePolicy>(policyMap_.get()); break;
    case kPolicyUpper: policy_ = std::make_unique<UpperCasePolicy>(policyMap_.get()); break;
    case kPolicyMixed: policy_ = std::make_unique<MixedCasePolicy>(policyMap_.get()); break;
    default: policy_.reset(); break;
  }
  if ((config_.mode & kModeRenameArchives) && !rename_)
    rename_ = std::make_unique<RenameStage>(config_.archiveDirs);
  CatalogueFlags flags;
  flags.scanOnly = scanOnly_;
  flags.translates = translationMapFile_ || policy_;
  flags.markHeads = config_.policyKind == kPolicyHead || config_.markHeads;
  flags.renameArchives = (config_.mode & kModeRenameArchives) != 0;
  catalogue_ = std::make_unique<Catalogue>(State(), flags);
}

void Migrator::Scan(Error* e) {
  StartScan();
  // An input that cannot be opened is reported before the scan starts.
  if (!reader_->OpenInput(e)) return;
  DebugPrintf("Starting scan of %lld byte checkpoint file...\n",
              static_cast<long long>(reader_->Size()));
  // With a second thread the records are parsed on it, ahead of the loop.
  std::unique_ptr<RecordPrefetch> prefetch;
  if (config_.threads > 1 && (!input_ || RecordPrefetch::MayReadAhead(input_->Stat())))
    prefetch = std::make_unique<RecordPrefetch>(reader_.get());
  ScanPace pace(reader_.get(), prefetch.get());
  JournalRecord record;
  while (pace.Read(&record, e) && !e->Test()) {
    if (!ScanRecord(&record, &pace, e)) return;
    if (e->Test()) break;
  }
  // A corrupt record at the very end of the input is counted too.
  counters_.skippedRecords = pace.Skipped();
  if (prefetch) prefetch->Stop();
  EndScan(e);
  DebugPrintf("Total time to process checkpoint, %d ms\n", pace.timer.Elapsed());
  if (Verbosity() >= 4)
    DebugPrintf("Total time doing renames, %d ms\n", rename_ ? rename_->Renamer()->renameTime : 0);
  notes_.Clear();
}

bool Migrator::ScanRecord(JournalRecord* record, ScanPace* pace, Error* e) {
  if (int sig = InterruptSignal()) {
    e->Set(kMsgInterrupted) << sig;
    return false;
  }
  counters_.skippedRecords = pace->Skipped();
  const bool note = IsNote(*record);
  ++(note ? counters_.notesRead : counters_.recordsRead);
  int64_t n = counters_.recordsRead + counters_.notesRead;
  pace->progress.Record(n);
  if (note) {
    ProcessNote(record, e);
    return e->GetSeverity() <= E_INFO;
  }
  SettleFoldMode();
  if (sink_) sink_->Read(*record);
  catalogue_->ProcessRecord(record, e);
  if (e->GetSeverity() > E_INFO) {
    if (e->IsFatal()) return false;
    GetMessageLog()->Report(e, MessageLog::kHeader | MessageLog::kCallHook);
    e->Clear();
  }
  if (sink_) sink_->Put(*record, e);
  if (n % kProgressInterval == 0 && !pace->progress.Enabled()) {
    int now = pace->timer.Elapsed();
    DebugPrintf("Record %lld, Processed %d records in %d ms\n", static_cast<long long>(n),
                kProgressInterval, now - pace->lastReport);
    pace->lastReport = now;
  }
  return true;
}

void Migrator::EndScan(Error* e) {
  if (sink_) {
    sink_->Finish(!e->Test(), e);
    counters_.recordsWritten = sink_->Written();
    counters_.notesWritten = sink_->NotesWritten();
    // A journal patch holds only the changed rows; every other output holds
    // each record read.
    if (sink_->HoldsEveryRecord() && !e->Test() &&
        counters_.recordsWritten != counters_.recordsRead) {
      e->Set(kMsgRecordsUnaccounted) << counters_.recordsRead << counters_.recordsWritten
                                     << sink_->Name();
    }
  }
}

void Migrator::ProcessNote(JournalRecord* note, Error* e) {
  const StrPtr* type = note->Get(1);
  const StrPtr* flags = note->Get(4);
  int k = type ? ParseDecimal(*type) : -1;
  int f = flags ? ParseDecimal(*flags) : 0;

  // Only the first note of the input becomes the template.
  if (!notes_.HasTemplate()) notes_.SetTemplate(*note, e);
  if (k == 0 || k == 2) unicodeCheckpoint_ = (f & 8) != 0;
  if (sink_) {
    sink_->NoteRead(*note);
    sink_->Noted(e);
  }
}
