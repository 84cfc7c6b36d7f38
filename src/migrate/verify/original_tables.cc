// The original checkpoint's rows by table: from a directory's table files,
// or from passes over a checkpoint file.
#include "migrate/verify/original_tables.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "journal/record_prefetch.h"
#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "support/files/filesys.h"

namespace {

inline constexpr MessageId kMsgCannotRead = {0x31011ea0, "Cannot read checkpoint %file%."};

// Passes open at most; beyond, the one that has read least is dropped.
constexpr size_t kMaxPasses = 8;

// Warnings of a reader that re-reads what another already reported.
class SilentReports : public ReaderReports {
 public:
  void Report(const Error&) override {}
};

SilentReports silentReports;

const StrPtr& TableOf(const JournalRecord& rec) {
  static const StrPtr kNone;
  const StrPtr* t = rec.Get(2);
  return t ? *t : kNone;
}

// One pass over a checkpoint file from its start.
struct Pass {
  std::unique_ptr<FileSys> file;
  std::unique_ptr<ZtJournal> reader;
  std::unique_ptr<RecordPrefetch> prefetch;  // reads reader ahead, or null
  // The reader the records are taken from.
  ZtJournal* Source() { return prefetch ? static_cast<ZtJournal*>(prefetch.get()) : reader.get(); }
  std::unordered_map<std::string, int64_t> passed;  // rows passed, by table
  bool ended = false;
  int64_t rows = 0;  // rows read
  // The counter of the table of the last row read.
  StrBuf lastTable;
  int64_t* lastCount = nullptr;

  int64_t* Counter(const StrPtr& table) {
    if (lastCount && table.EqualExact(lastTable)) return lastCount;
    lastTable.Set(table);
    return lastCount = &passed[std::string(table.View())];
  }
  int64_t Passed(const StrPtr& table) { return *Counter(table); }
};

class FileTables : public OriginalTables {
 public:
  FileTables(const StrPtr& path, int threads) : path_(path), threads_(threads) {}

  bool Next(const StrPtr& table, JournalRecord* rec, Error* e) override {
    int64_t& handed = Handed(table);
    Pass* p = Choose(table, handed);
    if (!p) p = NewPass(e);
    if (!p) return false;
    if (p->ended) return false;
    while (p->Source()->ReadRecord(rec, e)) {
      if (IsNote(*rec)) continue;
      ++p->rows;
      const StrPtr& t = TableOf(*rec);
      int64_t* count = p->Counter(t);
      ++*count;
      if (*count == handed + 1 && t.EqualExact(table)) {
        ++handed;
        return true;
      }
    }
    p->ended = true;
    skipped_ = std::max(skipped_, p->Source()->SkippedCount());
    return false;
  }

  void Tables(std::vector<std::string>* out, Error* e) override {
    Pass* done = nullptr;
    for (auto& p : passes_) {
      if (p->ended) done = p.get();
    }
    if (!done) {
      // The pass that has read furthest reads on to the end.
      for (auto& p : passes_) {
        if (!done || p->rows > done->rows) done = p.get();
      }
      if (!done) done = NewPass(e);
      if (!done) return;
      JournalRecord rec;
      while (done->Source()->ReadRecord(&rec, e)) {
        if (IsNote(rec)) continue;
        ++done->rows;
        ++*done->Counter(TableOf(rec));
      }
      if (e->Test()) return;
      done->ended = true;
      skipped_ = std::max(skipped_, done->Source()->SkippedCount());
    }
    for (const auto& [name, count] : done->passed) out->push_back(name);
    std::sort(out->begin(), out->end());
  }

  int Skipped() const override { return skipped_; }
  int Passes() const override { return started_; }

 private:
  int64_t& Handed(const StrPtr& table) {
    if (lastHanded_ && table.EqualExact(lastTable_)) return *lastHanded_;
    lastTable_.Set(table);
    return *(lastHanded_ = &handed_[std::string(table.View())]);
  }

  // The open pass whose next row of table is the first not handed out: the
  // one that served it last when it still can, else the one that has
  // passed the most of its rows without passing one not handed out.
  Pass* Choose(const StrPtr& table, int64_t handed) {
    if (last_ && last_->Passed(table) == handed) return last_;
    Pass* best = nullptr;
    int64_t bestPassed = -1;
    for (auto& p : passes_) {
      int64_t n = p->Passed(table);
      if (n > handed || n <= bestPassed) continue;
      if (p->ended && n < handed) continue;
      best = p.get();
      bestPassed = n;
    }
    if (best) last_ = best;
    return best;
  }

  Pass* NewPass(Error* e) {
    if (passes_.size() >= kMaxPasses) {
      auto least = std::min_element(passes_.begin(), passes_.end(),
                                    [](const auto& a, const auto& b) { return a->rows < b->rows; });
      if (last_ == least->get()) last_ = nullptr;
      passes_.erase(least);
    }
    auto p = std::make_unique<Pass>();
    p->file = CheckpointFile(path_);
    if (!p->file) {
      e->Set(kMsgCannotRead) << path_;
      return nullptr;
    }
    p->reader = std::make_unique<ZtJournal>(p->file.get());
    // The warnings of a corrupt record are reported by the first pass only,
    // which alone is read ahead: most comparisons need no other.
    if (started_ > 0) p->reader->SetReports(&silentReports);
    else if (threads_ > 1 && RecordPrefetch::MayReadAhead(p->file->Stat()))
      p->prefetch = std::make_unique<RecordPrefetch>(p->reader.get());
    ++started_;
    passes_.push_back(std::move(p));
    return last_ = passes_.back().get();
  }

  StrBuf path_;
  int threads_;
  std::vector<std::unique_ptr<Pass>> passes_;
  std::unordered_map<std::string, int64_t> handed_;
  StrBuf lastTable_;
  int64_t* lastHanded_ = nullptr;
  Pass* last_ = nullptr;
  int started_ = 0;
  int skipped_ = 0;
};

// A directory's tables, each from its own files in part order.
class DirectoryTables : public OriginalTables {
 public:
  explicit DirectoryTables(const StrPtr& path) {
    ZtJournalDir listing(path);
    for (int i = 0; i < listing.FileCount(); ++i) {
      const TableFile& f = listing.FileAt(i);
      tables_[std::string(f.table.View())].push_back(Part{f.path, f.part});
    }
    for (auto& [name, parts] : tables_)
      std::sort(parts.begin(), parts.end(),
                [](const Part& a, const Part& b) { return a.part < b.part; });
  }

  bool Next(const StrPtr& table, JournalRecord* rec, Error* e) override {
    Cursor* c = CursorOf(table);
    if (!c) return false;
    for (;;) {
      if (!c->reader) {
        if (c->next >= c->parts->size()) return false;
        c->file = CheckpointFile((*c->parts)[c->next++].path);
        c->reader = std::make_unique<ZtJournal>(c->file.get());
      }
      while (c->reader->ReadRecord(rec, e)) {
        if (!IsNote(*rec)) return true;
      }
      skipped_ += c->reader->SkippedCount();
      c->reader.reset();
      c->file.reset();
      if (e->Test()) return false;
    }
  }

  void Tables(std::vector<std::string>* out, Error*) override {
    for (const auto& entry : tables_) out->push_back(entry.first);
  }
  int Skipped() const override { return skipped_; }
  int Passes() const override { return 1; }

 private:
  struct Part {
    StrBuf path;
    uint32_t part;
  };
  struct Cursor {
    explicit Cursor(const std::vector<Part>* p) : parts(p) {}
    const std::vector<Part>* parts;
    size_t next = 0;
    std::unique_ptr<FileSys> file;
    std::unique_ptr<ZtJournal> reader;
  };

  Cursor* CursorOf(const StrPtr& table) {
    if (last_ && table.EqualExact(lastTable_)) return last_;
    std::string key(table.View());
    auto it = cursors_.find(key);
    if (it == cursors_.end()) {
      auto t = tables_.find(key);
      if (t == tables_.end()) return nullptr;
      it = cursors_.emplace(key, Cursor(&t->second)).first;
    }
    lastTable_.Set(table);
    return last_ = &it->second;
  }

  std::map<std::string, std::vector<Part>> tables_;
  std::map<std::string, Cursor> cursors_;
  StrBuf lastTable_;
  Cursor* last_ = nullptr;
  int skipped_ = 0;
};

}  // namespace

std::unique_ptr<FileSys> OriginalTables::CheckpointFile(const StrPtr& name) {
  std::unique_ptr<FileSys> f;
  if (name.Length() >= 3 && name.EndsWith(".gz", 3)) f = FileSys::Create(kFileGzip);
  if (!f) f = FileSys::Create(kFileText);
  if (f) f->SetPath(name);
  return f;
}

bool OriginalTables::IsNote(const JournalRecord& rec) {
  const StrPtr* op = rec.Get(0);
  return op && op->Length() > 0 && (op->Text()[0] == 'n' || op->Text()[0] == 'N');
}

std::unique_ptr<OriginalTables> OriginalTables::Open(const StrPtr& path, int threads, Error* e) {
  std::unique_ptr<FileSys> probe = CheckpointFile(path);
  if (!probe) {
    e->Set(kMsgCannotRead) << path;
    return nullptr;
  }
  int flags = probe->Stat();
  if (!(flags & kStatExists)) {
    e->Set(kMsgCannotRead) << path;
    return nullptr;
  }
  if (flags & kStatDirectory) return std::make_unique<DirectoryTables>(path);
  return std::make_unique<FileTables>(path, threads);
}
