// The table-by-table comparison of the edited checkpoint's rows with the
// original's.
#include "migrate/verify/table_compare.h"

#include <algorithm>
#include <cstring>

namespace {

const StrPtr& TableName(const JournalRecord& rec) {
  static const StrPtr kNone;
  const StrPtr* t = rec.Get(2);
  return t ? *t : kNone;
}

bool ParallelHolds(const StrPtr& table) {
  return table.Length() >= 3 && memcmp(table.Text(), "db.", 3) == 0;
}

}  // namespace

void RowText(const JournalRecord& rec, StrBuf* out) {
  rec.Format(out);
  while (out->Length() > 0 && ((*out)[out->Length() - 1] == '\n' || (*out)[out->Length() - 1] == ' '))
    out->SetLength(out->Length() - 1);
  out->NulTerminate();
}

TableComparison::TableComparison(OriginalTables* original, RowComparer* comparer,
                                 DifferenceLog* log, bool editedIsDirectory)
    : original_(original), comparer_(comparer), log_(log), editedIsDirectory_(editedIsDirectory) {}

TableComparison::Table* TableComparison::TableOf(const StrPtr& name) {
  if (lastTable_ && name.EqualExact(lastTable_->name)) return lastTable_;
  std::unique_ptr<Table>& t = tables_[std::string(name.View())];
  if (!t) {
    t = std::make_unique<Table>();
    t->name.Set(name);
  }
  return lastTable_ = t.get();
}

std::unique_ptr<JournalRecord> TableComparison::Spare() {
  if (spare_.empty()) return std::make_unique<JournalRecord>();
  std::unique_ptr<JournalRecord> r = std::move(spare_.back());
  spare_.pop_back();
  return r;
}

void TableComparison::Recycle(Row* row) {
  if (row->rec && spare_.size() < 2 * kLookAhead) spare_.push_back(std::move(row->rec));
  row->rec.reset();
}

bool TableComparison::Fill(Table* t, size_t n, Error* e) {
  while (t->window.size() < n) {
    Row row;
    row.rec = Spare();
    if (!original_->Next(t->name, row.rec.get(), e)) {
      Recycle(&row);
      return !e->Test();
    }
    row.number = ++t->originalRows;
    t->window.push_back(std::move(row));
  }
  return true;
}

void TableComparison::Matched(Table* t, Row row, const JournalRecord& edited, int respelt) {
  if (respelt) {
    const TableRoles& roles = comparer_->Roles(edited);
    for (int i = 3; i < edited.Count() && i < row.rec->Count(); ++i) {
      if (row.rec->Get(i)->EqualExact(*edited.Get(i))) continue;
      if (roles.At(i) == TableRoles::kName) ++respeltNames;
      else ++respeltPaths;
    }
    ++respeltRows;
    respeltFields += respelt;
  }
  Recycle(&t->last);
  t->last = std::move(row);
}

void TableComparison::RowDifference(DiffKind kind, const StrPtr& table, int64_t originalRow,
                                    int64_t editedRow, const JournalRecord& rec) {
  RowText(rec, &text_);
  Difference d{kind, table, originalRow, editedRow};
  if (kind == DiffKind::kRowMissing) d.original = text_;
  else d.edited = text_;
  log_->Add(d);
}

void TableComparison::FieldDifferences(Table* t, const Row& row, const JournalRecord& edited,
                                       int64_t number, int first) {
  const JournalRecord& orig = *row.rec;
  for (int i = first; i >= 0; i = comparer_->Compare(orig, edited, i + 1)) {
    Difference d{DiffKind::kFieldChanged, t->name, row.number, number};
    if (i >= orig.Count() || i >= edited.Count()) {
      name_.Set("field count");
      d.field = name_;
      text_.Clear();
      text_.AppendInt(orig.Count());
      other_.Clear();
      other_.AppendInt(edited.Count());
      d.original = text_;
      d.edited = other_;
      log_->Add(d);
      return;
    }
    RowComparer::FieldName(edited, i, &name_);
    d.field = name_;
    d.original = *orig.Get(i);
    d.edited = *edited.Get(i);
    if (i >= 3 && comparer_->Roles(edited).At(i) != TableRoles::kExact)
      d.kind = DiffKind::kSpellingChanged;
    log_->Add(d);
    // The table or version differs: the later fields mean something else.
    if (i < 3) return;
  }
}

void TableComparison::Missing(Table* t, Row row) {
  if (editedIsDirectory_ && !ParallelHolds(t->name)) {
    ++leftOut;
  } else {
    RowDifference(DiffKind::kRowMissing, t->name, row.number, 0, *row.rec);
  }
  Recycle(&row);
}

void TableComparison::Edited(const JournalRecord& rec, Error* e) {
  Table* t = TableOf(TableName(rec));
  const int64_t number = ++t->editedRows;
  if (!Fill(t, 1, e)) return;
  int first = -1;
  int respelt = 0;
  if (!t->window.empty()) {
    first = comparer_->Compare(*t->window.front().rec, rec, 0, &respelt);
    if (first < 0) {
      Row row = std::move(t->window.front());
      t->window.pop_front();
      Matched(t, std::move(row), rec, respelt);
      return;
    }
  }
  // A row passed over before: the edited checkpoint has it later.
  for (auto it = t->passed.begin(); it != t->passed.end(); ++it) {
    if (comparer_->Compare(*it->rec, rec) >= 0) continue;
    log_->Add(Difference{DiffKind::kRowMoved, t->name, it->number, number});
    Recycle(&*it);
    t->passed.erase(it);
    return;
  }
  // The row just matched, again.
  if (t->last.rec && comparer_->Compare(*t->last.rec, rec) < 0) {
    RowDifference(DiffKind::kRowDuplicated, t->name, t->last.number, number, rec);
    return;
  }
  // A row further on: the rows before it are passed over.
  if (!Fill(t, kLookAhead, e)) return;
  for (size_t d = 1; d < t->window.size(); ++d) {
    if (comparer_->Compare(*t->window[d].rec, rec, 0, &respelt) >= 0) continue;
    for (size_t i = 0; i < d; ++i) {
      t->passed.push_back(std::move(t->window.front()));
      t->window.pop_front();
      if (t->passed.size() > kPassedOver) {
        Missing(t, std::move(t->passed.front()));
        t->passed.pop_front();
      }
    }
    Row row = std::move(t->window.front());
    t->window.pop_front();
    Matched(t, std::move(row), rec, respelt);
    return;
  }
  if (t->window.empty()) {
    RowDifference(DiffKind::kRowExtra, t->name, 0, number, rec);
    return;
  }
  // The original's next row, changed.
  Row row = std::move(t->window.front());
  t->window.pop_front();
  FieldDifferences(t, row, rec, number, first);
  Recycle(&t->last);
  t->last = std::move(row);
}

void TableComparison::Finish(Error* e) {
  std::vector<std::string> names;
  original_->Tables(&names, e);
  if (e->Test()) return;
  for (const std::string& n : names) TableOf(StrPtr(n.data(), static_cast<uint32_t>(n.size())));
  std::vector<Table*> all;
  for (auto& entry : tables_) all.push_back(entry.second.get());
  std::sort(all.begin(), all.end(),
            [](const Table* a, const Table* b) { return a->name.Compare(b->name) < 0; });
  for (Table* t : all) {
    while (!t->passed.empty()) {
      Missing(t, std::move(t->passed.front()));
      t->passed.pop_front();
    }
    for (;;) {
      if (t->window.empty() && (!Fill(t, 1, e) || t->window.empty())) break;
      Missing(t, std::move(t->window.front()));
      t->window.pop_front();
    }
    if (e->Test()) return;
  }
}

std::vector<TableComparison::TableCount> TableComparison::Counts() const {
  std::vector<TableCount> out;
  for (const auto& entry : tables_)
    out.push_back(TableCount{entry.first, entry.second->originalRows, entry.second->editedRows});
  std::sort(out.begin(), out.end(),
            [](const TableCount& a, const TableCount& b) { return a.name < b.name; });
  return out;
}
