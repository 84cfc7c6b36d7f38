#include "driver/convert.h"

#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/driver_messages.h"
#include "journal/journal_messages.h"
#include "journal/journal_record.h"
#include "journal/record_prefetch.h"
#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "migrate/run_config.h"
#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/message_log.h"
#include "support/text/var_array.h"

namespace {

// Formatted records are collected up to this many bytes before a write.
const uint32_t kFlushBytes = 1u << 20;

// True when the two names are the same path or the same existing file.
bool SameFile(const StrPtr& a, const StrPtr& b) { return OsSameFile(a.Text(), b.Text()); }

bool EndsWith(const StrPtr& s, const char* suffix, uint32_t min) {
  uint32_t n = static_cast<uint32_t>(strlen(suffix));
  return s.Length() >= min && s.EndsWith(suffix, n);
}

// A plain output file written in large blocks under a temporary name, which
// takes the file's name at Commit. The first failed write or close is
// recorded and later writes are dropped.
class PlainOutput {
 public:
  PlainOutput() : failed(false) {}

  // Creates the temporary file; on failure prints the fixed line on
  // standard error and records the reason in e.
  bool Create(const StrPtr& name, bool force, Error* e) {
    path.Set(name);
    file = FileSys::Create(kFileBinary);
    // "-" is an ordinary file name here, not the standard output.
    file->SetPath(strcmp(name.Text(), "-") == 0 ? StrPtr("./-") : name);
    file->SetPerms(kPermReadWrite);
    file->SetAtomicReplace();
    if (!force) file->SetKeepExisting();
    Error openError;
    file->Open(kOpenWrite, &openError);
    if (!openError.Test()) return true;
    fprintf(stderr, "could not open %s for writing\n", path.Text());
    e->Set(kMsgConvertCantCreate) << path << Reason(openError);
    file.reset();
    return false;
  }

  // The buffer records are formatted into.
  StrBuf* Buffer() { return &buffer; }
  // The output's name as given.
  const StrBuf& Path() const { return path; }
  bool Failed() const { return failed; }

  // Writes the buffer once it holds enough.
  void MaybeFlush(Error* e) {
    if (buffer.Length() >= kFlushBytes) Flush(e);
  }

  void Flush(Error* e) {
    if (!failed && buffer.Length()) {
      Error writeError;
      file->Write(buffer.Text(), static_cast<int>(buffer.Length()), &writeError);
      if (writeError.Test()) Fail(writeError, e);
    }
    buffer.Clear();
  }

  // Writes what is left and closes; a failure of either is recorded.
  void Close(Error* e) {
    if (!file) return;
    Flush(e);
    Error closeError;
    file->Close(&closeError);
    if (closeError.Test() && !failed) Fail(closeError, e);
  }

  // Gives the complete file its name; a file never committed is removed
  // when the object goes.
  void Commit(Error* e) {
    if (!file || failed) return;
    Error commitError;
    file->Commit(&commitError);
    if (commitError.Test()) Fail(commitError, e);
  }

 private:
  // The newest message of a file-layer failure, without its severity.
  static StrBuf Reason(const Error& fileError) {
    StrBuf text;
    fileError.FormatMessages(&text, 0);
    while (text.Length() && text.Text()[text.Length() - 1] == '\n') text.SetLength(text.Length() - 1);
    return text;
  }

  void Fail(const Error& fileError, Error* e) {
    failed = true;
    e->Set(kMsgConvertWriteFailed) << path << Reason(fileError);
  }

  StrBuf path;
  std::unique_ptr<FileSys> file;
  StrBuf buffer;
  bool failed;
};

struct Totals {
  int64_t copied = 0;
  int64_t fields = 0;
};

// Copies every record of reader into out while the error allows, reading
// ahead on a second thread when threads > 1. A record without a table name
// is reported and counted in *skipped (when given). A failed write stops the
// copy with its message in e, and so does a row of another table than
// ownTable (when given: the table of a table file). Returns the corrupt
// records the reader passed over up to the last record copied.
int CopyRecords(ZtJournal* input, int threads, PlainOutput* out, Totals* totals, int* skipped,
                Error* e, const TableFile* ownTable = nullptr) {
  std::unique_ptr<RecordPrefetch> prefetch;
  if (threads > 1) prefetch = std::make_unique<RecordPrefetch>(input);
  ZtJournal* reader = prefetch ? prefetch.get() : input;
  JournalRecord rec;
  int64_t read = 0;
  while (e->GetSeverity() <= E_INFO && !InterruptSignal() && reader->ReadRecord(&rec, e)) {
    ++read;
    if (skipped) {
      Error tableErr;
      if (!rec.Table(&tableErr)) {
        GetMessageLog()->Report(&tableErr);
        ++*skipped;
        continue;
      }
    }
    if (ownTable && !ZtJournalDir::RowOfTable(rec, ownTable->table)) {
      // (Counted in records: a reader ahead on its own thread has no line.)
      e->Set(kMsgConvertRowOfOtherTable) << ownTable->path << read
                                         << (rec.Get(2) ? *rec.Get(2) : StrPtr());
      break;
    }
    rec.AppendFormat(out->Buffer());
    totals->fields += rec.Count();
    ++totals->copied;
    out->MaybeFlush(e);
    if (out->Failed()) break;
  }
  return reader->SkippedCount();
}

// After a reader stopped with an error: the version error was reported by
// the reader itself, others are kept; either way the output is incomplete.
void NoteIncomplete(const StrPtr& output, Error* e) {
  if (e->Has(kMsgVersionNotInSchema)) e->Clear();
  e->Set(kMsgConvertIncomplete) << output;
}

// The skipped-records message: the output was written without them, or
// not at all.
void NoteSkipped(int skipped, bool allowSkipped, Error* e) {
  e->Set(allowSkipped ? kMsgSkippedWritten : kMsgSkippedNoOutput);
  BindSkippedCount(e, skipped);
}

std::unique_ptr<FileSys> MakeInputFile(const StrPtr& name, bool compressed) {
  std::unique_ptr<FileSys> f = FileSys::Create(compressed ? kFileGzip : kFileText);
  if (!f) f = FileSys::Create(kFileText);
  f->SetPath(name);
  return f;
}

// Copies one table file of a directory into its created output and closes
// it; returns the records the reader skipped. A failure is reported now and
// marks the conversion incomplete, and the next file goes on.
int CopyTable(const TableFile& table, int threads, PlainOutput* out, Totals* totals, Error* e) {
  std::unique_ptr<FileSys> inFile = MakeInputFile(table.path, table.compressed);
  ZtJournal reader(inFile.get());
  Error fileErr;
  int skipped = CopyRecords(&reader, threads, out, totals, nullptr, &fileErr, &table);
  if (fileErr.Test()) {
    // A failed write or a reader that stopped (the reader has reported the
    // version error itself).
    if (!fileErr.Has(kMsgVersionNotInSchema)) GetMessageLog()->Report(&fileErr);
    e->Set(kMsgConvertIncomplete) << out->Path();
  }
  out->Close(e);
  return skipped;
}

}  // namespace

int ConvertToFile(const StrPtr& input, const StrPtr& output, int threads, Error* e, bool force,
                  bool allowSkipped) {
  if (SameFile(input, output)) {
    e->Set(kMsgConvertOutputIsInput) << output << input;
    return 0;
  }
  std::unique_ptr<FileSys> inFile = MakeInputFile(input, EndsWith(input, ".gz", 3));

  // The reader is made before the output exists, so that an output inside
  // a parallel checkpoint directory is not listed as one of its tables.
  std::unique_ptr<ZtJournal> reader;
  int inputStat = inFile->Stat();
  if (!RecordPrefetch::MayReadAhead(inputStat)) threads = 1;
  if (inputStat & kStatDirectory) {
    auto dir = std::make_unique<ZtJournalDir>(input);
    for (int i = 0; i < dir->FileCount(); ++i) {
      if (SameFile(dir->FileAt(i).path, output)) {
        e->Set(kMsgConvertOutputIsInput) << output << dir->FileAt(i).path;
        return 0;
      }
    }
    reader = std::move(dir);
  } else {
    reader = std::make_unique<ZtJournal>(inFile.get());
  }

  PlainOutput out;
  if (!out.Create(output, force, e)) return 0;

  Totals totals;
  int skipped = 0;
  int readerSkipped = CopyRecords(reader.get(), threads, &out, &totals, &skipped, e);
  // Corrupt records the reader passed over are missing from the output too.
  skipped += readerSkipped;
  bool writeFailed = out.Failed();
  if (!writeFailed && e->Test()) NoteIncomplete(output, e);
  out.Close(e);
  // Only a whole conversion takes the output's name, or one that lacks
  // only the skipped records when they are allowed.
  if (!e->Test() && !InterruptSignal() && (!skipped || allowSkipped)) out.Commit(e);
  if (!e->Test() && skipped) NoteSkipped(skipped, allowSkipped, e);

  fprintf(stderr, "Skipped %d records, Copied %" PRId64 " records, %" PRId64 " fields total\n",
          skipped, totals.copied, totals.fields);
  reader.reset();
  inFile.reset();
  return skipped;
}

int ConvertDirectory(const StrPtr& input, const StrPtr& output, int threads, Error* e,
                     bool force, bool allowSkipped) {
  if (SameFile(input, output)) {
    e->Set(kMsgConvertOutputIsInput) << output << input;
    return 1;
  }
  StrBuf marker(output);
  marker.Append("/.ztmigrate");
  std::unique_ptr<FileSys> maker = FileSys::Create(kFileText);
  maker->SetPath(marker);
  maker->MkDir(marker, e);
  if (e->Test()) return 1;
  maker.reset();

  std::unique_ptr<FileSys> lister = FileSys::Create(kFileText);
  lister->SetPath(input);
  std::unique_ptr<StrVarArray> names = lister->ScanDir(e);
  if (e->Test()) return 1;
  int count = names ? names->Count() : 0;

  Totals totals;
  int failed = 0;
  int skipped = 0;
  int done = 0;
  // Every table's output, committed together once all are complete.
  std::vector<std::unique_ptr<PlainOutput>> outputs;
  std::map<std::string, std::string> sources;  // output name -> its input
  for (int i = 0; i < count; ++i) {
    const StrBuf& name = *names->At(i);
    TableFile table;
    if (!ZtJournalDir::TableEntry(input, name, &table)) continue;  // reported there
    bool compressed = table.compressed;
    const StrBuf& inPath = table.path;
    StrBuf outPath(output);
    outPath.Append("/");
    outPath.Append(name.Text(), compressed ? name.Length() - 3 : name.Length());

    if (SameFile(inPath, outPath)) {
      e->Set(kMsgConvertOutputIsInput) << outPath << inPath;
      ++failed;
      continue;
    }
    // "db.rev.ckp" and "db.rev.ckp.gz" would both become "db.rev.ckp".
    auto [seen, isNew] = sources.emplace(outPath.Text(), inPath.Text());
    if (!isNew) {
      e->Set(kMsgConvertTwoInputs) << seen->second << inPath << outPath;
      ++failed;
      continue;
    }
    outputs.push_back(std::make_unique<PlainOutput>());
    if (!outputs.back()->Create(outPath, force, e)) {
      ++failed;
      continue;
    }
    skipped += CopyTable(table, threads, outputs.back().get(), &totals, e);
    ++done;
    if (InterruptSignal()) break;
  }
  if (!e->Test() && !InterruptSignal() && (!skipped || allowSkipped)) {
    // The first failure stops the rest, which are removed with their files.
    for (auto& out : outputs) {
      out->Commit(e);
      if (e->Test()) break;
    }
  }

  fprintf(stderr,
          "Skipped %d records, Copied %" PRId64 " records, %" PRId64 " fields total into %d files\n",
          failed + skipped, totals.copied, totals.fields, done);
  if (done == 0 && failed == 0) e->Set(kMsgNoRecords) << input;
  if (!e->Test() && skipped) NoteSkipped(skipped, allowSkipped, e);
  return failed + skipped;
}

int ConvertToFile(const StrPtr& input, const StrPtr& output) {
  Error e;
  int n = ConvertToFile(input, output, RunConfig().threads, &e);
  GetMessageLog()->Report(&e);
  return n;
}

int ConvertDirectory(const StrPtr& input, const StrPtr& output) {
  Error e;
  int n = ConvertDirectory(input, output, RunConfig().threads, &e);
  GetMessageLog()->Report(&e);
  return n;
}
