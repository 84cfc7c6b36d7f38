// The comparison of one row of the original with one of the edited
// checkpoint.
#include "migrate/verify/row_compare.h"

#include <algorithm>

#include "journal/schema.h"
#include "migrate/catalogue.h"
#include "support/text/fold.h"

namespace {

// Tables and versions kept at most; beyond, the list starts again.
constexpr size_t kMaxRoles = 256;

}  // namespace

const TableRoles& RowComparer::Roles(const JournalRecord& record) {
  const StrPtr* table = record.Get(2);
  const StrPtr* version = record.Get(1);
  StrPtr t = table ? *table : StrPtr();
  StrPtr v = version ? *version : StrPtr();
  if (last_ && last_->table.EqualExact(t) && last_->version.EqualExact(v)) return *last_;
  for (const std::unique_ptr<TableRoles>& r : roles_) {
    if (r->table.EqualExact(t) && r->version.EqualExact(v)) return *(last_ = r.get());
  }
  if (roles_.size() >= kMaxRoles) roles_.clear();
  auto r = std::make_unique<TableRoles>();
  r->table.Set(t);
  r->version.Set(v);
  std::vector<CatalogueStep> steps;
  CataloguePlanSteps(t, ParseDecimal(v), &steps);
  for (const CatalogueStep& step : steps) {
    if (step.treatment == Treatment::kRenameArchive) r->namesArchive = true;
    const int pos = step.position[0];
    if (!TreatmentRespells(step.treatment) || pos < 0) continue;
    if (r->roles.size() <= static_cast<size_t>(pos)) r->roles.resize(static_cast<size_t>(pos) + 1);
    TableRoles::Role role = TableRoles::kPath;
    if (step.treatment == Treatment::kStreamViewPath) role = TableRoles::kStreamView;
    else if (TreatmentNamesDomain(step.treatment)) role = TableRoles::kName;
    r->roles[static_cast<size_t>(pos)] = role;
  }
  roles_.push_back(std::move(r));
  return *(last_ = roles_.back().get());
}

bool RowComparer::SameValue(TableRoles::Role role, const StrPtr& original, const StrPtr& edited) {
  if (original.EqualExact(edited)) return true;
  if (role == TableRoles::kExact) return false;
  FoldPath(edited, &foldB_, *fold_);
  FoldPath(original, &foldA_, *fold_);
  if (foldA_.EqualExact(foldB_)) return true;
  if (role != TableRoles::kStreamView) return false;
  StrPtr trimmed = AfterStreamPrefix(original);
  if (trimmed.Length() == original.Length()) return false;
  FoldPath(trimmed, &foldA_, *fold_);
  return foldA_.EqualExact(foldB_);
}

int RowComparer::Compare(const JournalRecord& original, const JournalRecord& edited, int from,
                         int* respelt) {
  const int n = std::min(original.Count(), edited.Count());
  const TableRoles* roles = nullptr;
  int changed = 0;
  int result = -1;
  for (int i = from; i < n; ++i) {
    const StrPtr& a = *original.Get(i);
    const StrPtr& b = *edited.Get(i);
    if (a.EqualExact(b)) continue;
    // The op code, version and table name are compared before the roles
    // they select are looked up.
    if (i < 3) {
      result = i;
      break;
    }
    if (!roles) roles = &Roles(edited);
    TableRoles::Role role = roles->At(i);
    if (role == TableRoles::kExact || !SameValue(role, a, b)) {
      result = i;
      break;
    }
    ++changed;
  }
  if (result < 0 && original.Count() != edited.Count()) result = n;
  if (respelt) *respelt = changed;
  return result;
}

void RowComparer::FieldName(const JournalRecord& record, int position, StrBuf* out) {
  static const char* const kFixed[] = {"op code", "version", "table"};
  if (position >= 0 && position < 3) {
    out->Set(kFixed[position]);
    return;
  }
  const StrPtr* table = record.Get(2);
  const StrPtr* version = record.Get(1);
  if (table && version) {
    const SchemaTable* entry = FindSchemaTable(*table);
    const int v = ParseDecimal(*version);
    const int place = position - 3;
    if (entry && v >= 0 && v < entry->versionCount && place < SchemaFieldCount(entry, v)) {
      out->Set(entry->versions[v][place]);
      return;
    }
  }
  out->Set("field ");
  out->AppendInt(position);
}
