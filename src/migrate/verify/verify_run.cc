// The verification run: one analysis of the edited checkpoint with the
// comparison and the archive check riding on its reading.
#include "migrate/verify/verify_run.h"

#include <cstring>
#include <memory>

#include "journal/journal_record.h"
#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "migrate/conflict_walk.h"
#include "migrate/migrator.h"
#include "migrate/record_sink.h"
#include "migrate/rename/rename_setup.h"
#include "migrate/verify/archive_check.h"
#include "migrate/verify/differences.h"
#include "migrate/verify/original_tables.h"
#include "migrate/verify/table_compare.h"
#include "migrate/verify/verify_messages.h"
#include "support/messages/debug.h"
#include "support/messages/message_log.h"

namespace {

// The first record of a checkpoint file or directory, when it is a note.
std::unique_ptr<JournalRecord> FirstNote(const StrPtr& path) {
  std::unique_ptr<FileSys> file = OriginalTables::CheckpointFile(path);
  if (!file) return nullptr;
  std::unique_ptr<ZtJournal> reader;
  if (file->Stat() & kStatDirectory) reader = std::make_unique<ZtJournalDir>(path);
  else reader = std::make_unique<ZtJournal>(file.get());
  class Quiet : public ReaderReports {
    void Report(const Error&) override {}
  } quiet;
  reader->SetReports(&quiet);
  auto rec = std::make_unique<JournalRecord>();
  Error ignored;
  if (!reader->ReadRecord(rec.get(), &ignored) || !OriginalTables::IsNote(*rec)) return nullptr;
  return rec;
}

bool IsTable(const JournalRecord& rec, const char* name) {
  const StrPtr* t = rec.Get(2);
  return t && t->EqualExact(StrPtr(name));
}

// Rides on the analysis of the edited checkpoint: sees every record as
// read, before the catalogue treats it.
class VerifySink : public RecordSink {
 public:
  VerifySink(const VerifyRequest& request, Migrator* run, OriginalTables* original,
             DifferenceLog* log, bool editedIsDirectory)
      : request_(request),
        run_(run),
        log_(log),
        comparer_(&run->Fold()),
        comparison_(original, &comparer_, log, editedIsDirectory),
        originalNote_(FirstNote(request.original)),
        serverId_(StrPtr(request.config.serverId.c_str())),
        root_(StrPtr(request.config.serverRoot.c_str())) {
    if (originalNote_) {
      const StrPtr* type = originalNote_->Get(1);
      const StrPtr* flags = originalNote_->Get(4);
      int k = type ? ParseDecimal(*type) : -1;
      unicode_ = (k == 0 || k == 2) ? (flags && (ParseDecimal(*flags) & 8)) : request.config.unicode;
    } else {
      unicode_ = request.config.unicode;
    }
  }

  // Nothing is written: the rows are compared, not copied.
  bool HoldsEveryRecord() const override { return false; }
  StrPtr Name() const override { return request_.edited; }

  void NoteRead(const JournalRecord& note) override {
    ++notes_;
    if (!originalNote_) {
      NoteDifference(note, "the original has no header note");
      return;
    }
    for (int i : {2, 3}) {
      const StrPtr* a = originalNote_->Get(i);
      const StrPtr* b = note.Get(i);
      if (!a || !b || !a->EqualExact(*b)) {
        NoteDifference(note, i == 2 ? "field 2 is not the original's" : "field 3 is not the original's");
        return;
      }
    }
    const StrPtr* type = note.Get(1);
    if (!note.Get(0)->EqualExact("nx") || !type) {
      NoteDifference(note, "not a header or trailer note");
      return;
    }
    if (type->EqualExact("0")) {
      int want = 1 + (request_.config.caseInsensitiveOutput ? 1 : 0) + (unicode_ ? 8 : 0);
      const StrPtr* flags = note.Get(4);
      if (!flags || ParseDecimal(*flags) != want) {
        text_.Set("its flags are not ");
        text_.AppendInt(want);
        text_.Append(want & 2 ? " (-C1" : " (-C0");
        text_.Append(unicode_ ? ", Unicode)" : ", not Unicode)");
        NoteDifference(note, text_.Text());
      }
    } else if (!type->EqualExact("1")) {
      NoteDifference(note, "not a header or trailer note");
    }
  }

  void Read(const JournalRecord& rec) override {
    if (failed_.Test()) return;
    comparison_.Edited(rec, &failed_);
    if (IsTable(rec, "db.config") && request_.config.serverRoot.empty()) {
      Error ignored;
      OnConfigRecord(rec, true, &serverId_, &root_, &ignored);
    }
    if (comparer_.Roles(rec).namesArchive) CheckArchive(rec);
  }

  void Put(const JournalRecord&, Error* e) override {
    if (failed_.Test() && !e->Test()) e->Merge(failed_);
  }
  void Finish(bool, Error*) override {}
  void Commit(Error*) override {}

  // After the scan: the original's rows never met, and the notes.
  void End(Error* e) {
    if (failed_.Test()) {
      e->Merge(failed_);
      return;
    }
    comparison_.Finish(e);
    if (originalNote_ && !notes_) {
      Difference d{DiffKind::kNote};
      d.field = StrPtr("the edited checkpoint has no header note");
      log_->Add(d);
    }
  }

  TableComparison& comparison() { return comparison_; }
  const ArchiveCheck& archives() const { return archives_; }
  // An archive root was known: every archive was looked up.
  bool ArchivesChecked() const { return archives_.IsOpen() && !rootFailed_; }
  const StrBuf& root() const { return root_; }

 private:
  void NoteDifference(const JournalRecord& note, const char* why) {
    StrBuf text;
    RowText(note, &text);
    Difference d{DiffKind::kNote};
    d.field = StrPtr(why);
    d.edited = text;
    log_->Add(d);
  }

  void CheckArchive(const JournalRecord& rec) {
    if (rootFailed_) return;
    if (!archives_.IsOpen()) {
      if (root_.IsEmpty()) return;
      if (!archives_.Open(root_, &failed_)) {
        rootFailed_ = true;
        return;
      }
    }
    archives_.Check(rec, run_->DepotMap(), log_, &failed_);
  }

  const VerifyRequest& request_;
  Migrator* run_;
  DifferenceLog* log_;
  RowComparer comparer_;
  TableComparison comparison_;
  ArchiveCheck archives_;
  std::unique_ptr<JournalRecord> originalNote_;
  bool unicode_ = false;
  int64_t notes_ = 0;
  StrBuf serverId_;
  StrBuf root_;
  bool rootFailed_ = false;
  Error failed_;  // a read failure of the original, or an unusable root
  StrBuf text_;
};

// The paths still in conflict, from the path tree of the analysis.
class ConflictLister : public ConflictVisitor {
 public:
  ConflictLister(bool head, DifferenceLog* log) : ConflictVisitor(head), log_(log) {}

 private:
  void Conflict(const DirEntry* entry, const StrBuf& path) override {
    spellings_.Clear();
    for (int i = 0; i < entry->NumAliases(); ++i) {
      if (i) spellings_.Append(", ");
      spellings_.Append(entry->AliasVariant(i));
    }
    Difference d{DiffKind::kPathConflict};
    d.field = path;
    d.edited = spellings_;
    log_->Add(d);
  }

  DifferenceLog* log_;
  StrBuf spellings_;
};

void ListInconsistencies(const Migrator& m, DifferenceLog* log) {
  if (m.Counters().conflictsRemain) {
    ConflictLister lister(m.Config().policyKind == kPolicyHead, log);
    m.Tree().Walk(&lister);
  }
  if (!m.Counters().minorInconsistencies) return;
  int64_t listed = 0;
  for (const NameFixes::Name* n : m.Fixes().Names()) {
    for (const auto& [spelling, count] : n->others) {
      Difference d{DiffKind::kNameInconsistent};
      d.field = StrPtr(n->kind.c_str());
      d.original = StrPtr(n->defined.c_str());
      d.edited = StrPtr(spelling.c_str());
      log->Add(d);
      ++listed;
    }
  }
  if (!listed) {
    Difference d{DiffKind::kNameInconsistent};
    d.field = StrPtr("names fixed to the spelling of their definition");
    log->Add(d);
  }
}

void PrintSummary(VerifySink* sink, const DifferenceLog& log, int passes) {
  TableComparison& c = sink->comparison();
  DebugPrintf("\nVerify summary:\n");
  DebugPrintf("    %-26s %12s %12s\n", "rows compared, by table", "original", "edited");
  for (const TableComparison::TableCount& t : c.Counts())
    DebugPrintf("    %-26s %12lld %12lld%s\n", t.name.c_str(), static_cast<long long>(t.original),
                static_cast<long long>(t.edited), t.original != t.edited ? "  differs" : "");
  auto line = [](const char* what, long long n) { DebugPrintf("    %-26s %12lld\n", what, n); };
  line("rows re-spelt", c.respeltRows);
  line("fields re-spelt", c.respeltFields);
  line("  paths", c.respeltPaths);
  line("  names", c.respeltNames);
  if (c.leftOut) line("rows a -O output leaves out", c.leftOut);
  if (sink->ArchivesChecked()) {
    line("archives checked", sink->archives().checked);
    line("archives not present", sink->archives().missing);
  } else {
    DebugPrintf("    %-26s %12s\n", "archives checked", "none (no archive root)");
  }
  if (passes > 1) line("readings of the original", passes);
  line("differences", log.Total());
}

}  // namespace

bool VerifyCheckpoints(const VerifyRequest& request, Error* e) {
  std::unique_ptr<OriginalTables> original = OriginalTables::Open(request.original, request.config.threads, e);
  if (!original) return false;
  std::unique_ptr<FileSys> edited = OriginalTables::CheckpointFile(request.edited);
  int flags = edited ? edited->Stat() : 0;
  if (!(flags & kStatExists)) {
    e->Set(kMsgVerifyNoEdited) << request.edited;
    return false;
  }
  DifferenceLog log(request.original, request.edited);
  if (request.report) {
    log.SetReport(request.report, request.reportFormat, e);
    if (e->Test()) return false;
  }

  // A plain analysis: no output, no map, no policy, no rename.
  RunConfig config = request.config;
  config.mode = 0;
  config.policyKind = kPolicyNone;
  Migrator migrator(config, std::move(edited), nullptr, nullptr, nullptr, nullptr);
  auto sink = std::make_unique<VerifySink>(request, &migrator, original.get(), &log,
                                           (flags & kStatDirectory) != 0);
  VerifySink* verify = sink.get();
  migrator.SetSink(std::move(sink));
  migrator.OpenFiles(e);
  if (e->GetSeverity() <= E_INFO) migrator.Scan(e);
  if (e->GetSeverity() <= E_INFO) migrator.WriteConflictMap(e);
  if (e->GetSeverity() <= E_INFO) verify->End(e);
  if (e->Test()) return false;

  ListInconsistencies(migrator, &log);
  int64_t skipped = migrator.Counters().skippedRecords + original->Skipped();
  if (skipped) {
    Difference d{DiffKind::kUnreadable};
    StrBuf counts;
    counts.AppendInt(original->Skipped());
    counts.Append(" in the original, ");
    counts.AppendInt(migrator.Counters().skippedRecords);
    counts.Append(" in the edited checkpoint");
    d.field = counts;
    log.Add(d);
  }
  log.FinishReport(e);
  log.Print();
  if (Verbosity() >= 1) PrintSummary(verify, log, original->Passes());
  if (e->Test()) return false;

  if (log.Total()) {
    e->Set(kMsgNotVerified) << log.Total() << request.original << request.edited << request.edited;
  } else {
    e->Set(verify->ArchivesChecked() ? kMsgVerifiedArchives : kMsgVerified)
        << request.edited << request.original << verify->comparison().respeltFields;
  }
  return true;
}
