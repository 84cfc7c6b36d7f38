// The scan pass: reads the checkpoint once, record by record in input order,
// hands each data record to the table catalogue and then to the output, and
// turns the journal notes into the run's header template and Unicode flag.
// One record object is reused for every record, so the loop itself makes no
// allocation per record.
#include <clocale>
#include <cstring>

#include "journal/journal_record.h"
#include "journal/zt_journal.h"
#include "map/case_policy.h"
#include "map/translation_map.h"
#include "migrate/migrator.h"
#include "migrate/progress.h"
#include "migrate/rename/archive_renamer.h"
#include "support/files/files_messages.h"
#include "support/messages/message_log.h"
#include "support/messages/settings.h"
#include "support/text/fold.h"

namespace {

const int kProgressInterval = 100000;

// A note record's operation begins with "n" or "N".
bool IsNote(const JournalRecord& rec) {
  const StrPtr* op = rec.Get(0);
  return op && op->Length() > 0 && (op->Text()[0] == 'n' || op->Text()[0] == 'N');
}

// Prints the fold mode settled at the first data record.
void ReportFoldMode(bool localeSet) {
  if (!unicodeCheckpoint) {
    if (localeSet)
      DebugPrintf("Locale set to: %s\n", setlocale(LC_ALL, nullptr));
    else
      DebugPrintf("Error setting locale to: %s\n", localeName.Text());
  }
  if (unicodeCheckpoint) DebugPrintf("Unicode Checkpoint detected\n");
  if (utf8Folding) DebugPrintf("Utf8 path folding enabled\n");
  if (SevenBitFolding()) DebugPrintf("7-bit path folding enabled\n");
}

}  // namespace

bool Migrator::ChooseFoldMode() {
  bool localeSet = true;
  if (unicodeCheckpoint) {
    utf8Folding = true;
    SetSevenBitFolding(false);
  } else {
    if (!strcmp(localeName.Text(), "C") || !strcmp(localeName.Text(), "POSIX"))
      SetSevenBitFolding(true);
    if (strstr(localeName.Text(), "UTF-8")) utf8Folding = true;
    localeSet = setlocale(LC_ALL, localeName.Text()) != nullptr;
  }
  SetUtf8Folding(utf8Folding);
  return localeSet;
}

std::string Migrator::FoldModeName() {
  std::string name = Utf8Folding() ? "utf8 " : SevenBitFolding() ? "7-bit " : "locale ";
  const char* locale = setlocale(LC_CTYPE, nullptr);
  if (locale) name += locale;
  return name;
}

void Migrator::Scan(int scanMode, int kind, Error* e) {
  headerRecord.reset();
  Timer scanTimer;
  scanTimer.Start();
  policyKind = kind;
  mode = scanMode;

  switch (policyKind) {
    case kPolicyLower: policy = std::make_unique<LowerCasePolicy>(policyMap.get()); break;
    case kPolicyUpper: policy = std::make_unique<UpperCasePolicy>(policyMap.get()); break;
    case kPolicyMixed: policy = std::make_unique<MixedCasePolicy>(policyMap.get()); break;
    default: policy.reset(); break;
  }
  if ((mode & kModeRenameArchives) && !renamer) renamer = std::make_unique<ArchiveRenamer>();

  DebugPrintf("Starting scan of %lld byte checkpoint file...\n",
              static_cast<long long>(reader->Size()));

  ScanProgress progress(reader.get());
  JournalRecord record;
  int64_t n = 0;
  int lastProgress = scanTimer.Elapsed();
  bool haveRecord = reader->ReadRecord(&record, e);
  while (haveRecord && !e->Test()) {
    if (int sig = InterruptSignal()) {
      e->Set(kMsgInterrupted) << sig;
      currentRecord = nullptr;
      return;
    }
    currentRecord = &record;
    skippedRecords = reader->SkippedCount();
    ++n;
    ++recordsRead;
    progress.Record(n);
    if (IsNote(record)) {
      ProcessNote(&record, e);
      if (e->GetSeverity() > E_INFO) {
        currentRecord = nullptr;
        return;
      }
    } else {
      if (!localeReady) {
        // Decided once per process, now that the header note has been seen.
        ReportFoldMode(ChooseFoldMode());
        localeReady = true;
        if (!mapsFoldMode.empty() && FoldModeName() != mapsFoldMode) {
          translationMap->Rekey();
          policyMap->Rekey();
        }
      }
      if (mode & kModeJournalPatch) {
        static const StrPtr kDeleteOp("dv");
        record.Format(&deletion, &kDeleteOp);
      }
      ProcessRecord(mode & kModeRenameArchives, e);
      if (e->GetSeverity() > E_INFO) {
        if (e->IsFatal()) {
          currentRecord = nullptr;
          return;
        }
        GetMessageLog()->Report(e, MessageLog::kHeader | MessageLog::kCallHook);
        e->Clear();
      }
      if (!outputDirectory.IsEmpty())
        WriteTableRecord(e);
      else if (outputFile)
        WriteRecord(e);
      if (n % kProgressInterval == 0 && !progress.Enabled()) {
        int now = scanTimer.Elapsed();
        DebugPrintf("Record %lld, Processed %d records in %d ms\n", static_cast<long long>(n),
                    kProgressInterval, now - lastProgress);
        lastProgress = now;
      }
    }
    if (e->Test()) break;
    haveRecord = reader->ReadRecord(&record, e);
  }
  currentRecord = nullptr;
  // A corrupt record at the very end of the input is counted too.
  skippedRecords = reader->SkippedCount();

  EndOutput(e);
  DebugPrintf("Total time to process checkpoint, %d ms\n", scanTimer.Elapsed());
  if (renamer) {
    lostData += renamer->lostData;
    archiveConflicts += renamer->archiveConflicts;
    renameCount += renamer->renameCount;
    renameTime = renamer->renameTime;
    renamer->lostData = renamer->archiveConflicts = renamer->renameCount = 0;
  }
  if (Verbosity() >= 4) DebugPrintf("Total time doing renames, %d ms\n", renameTime);
  headerRecord.reset();
}

void Migrator::ProcessNote(JournalRecord* note, Error* e) {
  const StrPtr* type = note->Get(1);
  const StrPtr* flags = note->Get(4);
  int k = type ? ParseDecimal(*type) : -1;
  int f = flags ? ParseDecimal(*flags) : 0;

  if (!headerRecord) {
    // Only the first note of the input becomes the template.
    headerRecord = std::make_unique<JournalRecord>(*note);
    static const StrPtr kZero("0");
    static const StrPtr kEmpty("");
    for (int i = 4; i < headerRecord->Count(); ++i)
      headerRecord->SetField(i, i <= 8 ? kZero : kEmpty, e);
  }
  if (k == 0 || k == 2) unicodeCheckpoint = (f & 8) != 0;

  if (!headerWritten && outputFile && !(mode & kModeJournalPatch) && outputDirectory.IsEmpty()) {
    std::unique_ptr<JournalRecord> header = MakeHeader();
    header->Format(&line);
    outputFile->Write(line.Text(), static_cast<int>(line.Length()), e);
    headerWritten = true;
  }
}
