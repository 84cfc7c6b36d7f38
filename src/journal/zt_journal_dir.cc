#include "journal/zt_journal_dir.h"

#include <strings.h>

#include <algorithm>

#include "journal/journal_messages.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "support/text/var_array.h"

namespace {

bool EndsWith(const StrBuf& s, const char* suffix) {
  return s.EndsWith(suffix, static_cast<uint32_t>(strlen(suffix)));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Byte-wise comparison of two names.
int CompareBytes(const StrPtr& a, const StrPtr& b) {
  uint32_t n = std::min(a.Length(), b.Length());
  int c = memcmp(a.Text(), b.Text(), n);
  if (c) return c;
  return a.Length() < b.Length() ? -1 : (a.Length() > b.Length() ? 1 : 0);
}

std::unique_ptr<FileSys> MakeFile(bool compressed, const StrPtr& path) {
  std::unique_ptr<FileSys> f = FileSys::Create(compressed ? kFileGzip : kFileText);
  if (!f) f = FileSys::Create(kFileText);
  f->SetPath(path);
  return f;
}

}  // namespace

int ZtJournalDir::TableGroup(const StrPtr& table) {
  const char* pct = static_cast<const char*>(memchr(table.Text(), '%', table.Length()));
  StrPtr key(table.Text(), pct ? static_cast<uint32_t>(pct - table.Text()) : table.Length());
  static const struct {
    const char* name;
    int group;
  } kGroups[] = {{"db.config", 0}, {"db.counters", 1}, {"db.group", 2},
                 {"db.groupx", 3}, {"db.depot", 4},    {"db.domain", 5}};
  for (const auto& g : kGroups)
    if (key.EqualExact(g.name)) return g.group;
  return 100;
}

bool ZtJournalDir::ParseTableFileName(const StrPtr& name, TableFile* f) {
  StrBuf rest(name);
  f->compressed = false;
  f->part = 0;
  if (rest.Length() >= 4 && EndsWith(rest, ".gz")) {
    rest.SetLength(rest.Length() - 3);
    f->compressed = true;
  }
  if (!(rest.Length() >= 5 && EndsWith(rest, ".ckp"))) return false;
  rest.SetLength(rest.Length() - 4);
  if (rest.Length() >= 10 && rest[rest.Length() - 9] == '#') {
    const char* hex = rest.Text() + rest.Length() - 8;
    uint32_t part = 0;
    bool all = true;
    for (int i = 0; i < 8 && all; ++i) {
      int v = HexValue(hex[i]);
      if (v < 0) all = false;
      part = part * 16 + static_cast<uint32_t>(v);
    }
    if (all) {
      f->part = part;
      rest.SetLength(rest.Length() - 9);
    }
  }
  // A table name begins with "db." and carries no part marker of its own.
  if (rest.Length() <= 3 || memcmp(rest.Text(), "db.", 3) != 0 ||
      memchr(rest.Text(), '#', rest.Length()))
    return false;
  rest.NulTerminate();
  f->table.Set(rest);
  f->group = TableGroup(f->table);
  return true;
}

bool ZtJournalDir::TableEntry(const StrPtr& directory, const StrPtr& name, TableFile* f) {
  StrBuf n(name);
  if (n.Length() >= 4 && EndsWith(n, ".md5")) return false;  // a digest file
  StrBuf path(directory);
  path.Append("/");
  path.Append(name);
  Error warning;
  if (!ParseTableFileName(name, f)) {
    warning.Set(kMsgNotATableFile) << path;
  } else {
    // A pipe or a device would block or never end; only regular files (or
    // links to them) are table files. An entry gone or unreadable is kept,
    // so that opening it reports why.
    std::unique_ptr<FileSys> probe = MakeFile(false, path);
    int st = probe->Stat();
    if (st & (kStatDirectory | kStatSpecial)) warning.Set(kMsgNotARegularFile) << path;
  }
  if (warning.Test()) {
    GetMessageLog()->Report(&warning);
    return false;
  }
  f->path.Set(path);
  return true;
}

ZtJournalDir::ZtJournalDir(const StrPtr& dir)
    : ZtJournal(),
      directory(dir),
      current(0),
      totalSize(0),
      doneSkipped(0),
      doneBytes(0),
      started(false) {
  std::unique_ptr<FileSys> lister = FileSys::Create(kFileText);
  lister->SetPath(directory);
  std::unique_ptr<StrVarArray> names = lister->ScanDir(&listError);
  if (!names || listError.Test()) return;  // reported by the first read

  for (int i = 0; i < names->Count(); ++i) {
    const StrBuf* name = names->At(i);
    auto f = std::make_unique<TableFile>();
    if (!TableEntry(directory, *name, f.get())) continue;
    std::unique_ptr<FileSys> sizer = MakeFile(false, f->path);
    int64_t size = sizer->GetSize();
    if (size > 0) totalSize += size;
    tableFiles.push_back(std::move(f));
  }
  std::stable_sort(tableFiles.begin(), tableFiles.end(),
                   [](const std::unique_ptr<TableFile>& a, const std::unique_ptr<TableFile>& b) {
                     if (a->group != b->group) return a->group < b->group;
                     int c = CompareBytes(a->table, b->table);
                     if (c) return c < 0;
                     return a->part < b->part;
                   });
}

ZtJournalDir::~ZtJournalDir() {
  currentReader.reset();
  currentFile.reset();
}

int64_t ZtJournalDir::BytesRead() const {
  return doneBytes + (currentReader ? currentReader->BytesRead() : 0);
}

bool ZtJournalDir::Compressed() const {
  for (const auto& f : tableFiles)
    if (f->compressed) return true;
  return false;
}

bool ZtJournalDir::RowOfTable(const JournalRecord& rec, const StrPtr& own) {
  // Only rows (put, delete, replace, verify) name a table in field 2.
  const StrPtr* op = rec.Get(0);
  static const char* const kRowOps[] = {"pv", "dv", "rv", "vv"};
  bool row = false;
  for (const char* r : kRowOps) row = row || (op && op->EqualExact(r));
  if (!row) return true;
  const StrPtr* table = rec.Get(2);
  if (!table) return false;
  const char* pct = static_cast<const char*>(memchr(own.Text(), '%', own.Length()));
  const uint32_t key = pct ? static_cast<uint32_t>(pct - own.Text()) : own.Length();
  auto same = [&](uint32_t n) {
    return table->Length() == n && strncasecmp(table->Text(), own.Text(), n) == 0;
  };
  return same(own.Length()) || same(key);
}

int ZtJournalDir::SkippedCount() const {
  return doneSkipped + (currentReader ? currentReader->SkippedCount() : 0);
}

void ZtJournalDir::SetReports(ReaderReports* r) {
  ZtJournal::SetReports(r);
  if (currentReader) currentReader->SetReports(r);
}

bool ZtJournalDir::ReadRecord(JournalRecord* rec, Error* e) {
  if (!started) {
    started = true;
    if (listError.Test()) {
      e->Merge(listError);
      e->Set(kMsgDirUnreadable) << directory;
      current = FileCount();
      return false;
    }
    if (tableFiles.empty()) {
      e->Set(kMsgNoRecords) << directory;
      return false;
    }
  }
  for (;;) {
    if (!currentReader) {
      if (current >= FileCount()) return false;
      const TableFile& t = *tableFiles[current];
      currentFile = MakeFile(t.compressed, t.path);
      currentReader = std::make_unique<ZtJournal>(currentFile.get());
      currentReader->SetReports(reports);
      if (e->Test()) return false;
    }
    if (currentReader->ReadRecord(rec, e)) {
      if (RowOfTable(*rec, tableFiles[current]->table)) return true;
      e->Set(kMsgRowOfOtherTable) << tableFiles[current]->path << currentReader->Line() - 1
                                  << (rec->Get(2) ? *rec->Get(2) : StrPtr());
      return false;
    }
    if (e->Test()) return false;  // the file failed; the rest is not read
    doneSkipped += currentReader->SkippedCount();
    doneBytes += currentReader->BytesRead();
    currentReader.reset();
    currentFile.reset();
    ++current;
  }
}
