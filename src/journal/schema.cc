// Lookups over the built-in schema. The table list is searched through a
// small case-folded hash index built once on first use; it gives the same
// answer as a linear search from the start (the first matching entry).
#include "journal/schema.h"

#include <cstdint>

namespace {

const int kIndexSlots = 512;  // a power of two well above the table count

uint32_t FoldHash(const char* p, uint32_t n) {
  uint32_t h = 2166136261u;
  for (uint32_t i = 0; i < n; ++i) {
    h ^= FoldByte(static_cast<unsigned char>(p[i]));
    h *= 16777619u;
  }
  return h;
}

bool EqualFold(const char* a, uint32_t an, const char* b) {
  uint32_t i = 0;
  for (; i < an; ++i) {
    if (b[i] == 0) return false;
    if (FoldByte(static_cast<unsigned char>(a[i])) != FoldByte(static_cast<unsigned char>(b[i])))
      return false;
  }
  return b[i] == 0;
}

struct SchemaIndex {
  const SchemaTable* slots[kIndexSlots] = {};

  SchemaIndex() {
    for (const SchemaTable* t = kSchemaTables; t->name; ++t) {
      uint32_t n = static_cast<uint32_t>(strlen(t->name));
      uint32_t i = FoldHash(t->name, n) & (kIndexSlots - 1);
      bool dup = false;
      while (slots[i]) {
        if (EqualFold(t->name, n, slots[i]->name)) { dup = true; break; }
        i = (i + 1) & (kIndexSlots - 1);
      }
      if (!dup) slots[i] = t;  // the first entry listed keeps the name
    }
  }
};

const SchemaIndex& Index() {
  static const SchemaIndex index;
  return index;
}

}  // namespace

const SchemaTable* FindSchemaTable(const StrPtr& table) {
  const SchemaIndex& index = Index();
  uint32_t i = FoldHash(table.Text(), table.Length()) & (kIndexSlots - 1);
  while (const SchemaTable* t = index.slots[i]) {
    if (EqualFold(table.Text(), table.Length(), t->name)) return t;
    i = (i + 1) & (kIndexSlots - 1);
  }
  return nullptr;
}

int SchemaFieldCount(const SchemaTable* entry, int version) {
  if (!entry || version < 0 || version >= entry->versionCount) return 0;
  int n = 0;
  for (const char* const* f = entry->versions[version]; *f; ++f) ++n;
  return n;
}

int SchemaFieldIndex(const SchemaTable* entry, int version, const StrPtr& name) {
  if (!entry) return -1;
  if (version < 0 || version >= entry->versionCount) return -2;
  int n = 0;
  for (const char* const* f = entry->versions[version]; *f; ++f, ++n)
    if (EqualFold(name.Text(), name.Length(), *f)) return n;
  return -3;
}

int CheckVersion(const StrPtr& table, int version) {
  const SchemaTable* t = FindSchemaTable(table);
  if (!t) return 0;
  return (version < 0 || version >= t->versionCount) ? -2 : 1;
}

int FieldCount(const StrPtr& table, int version) {
  return SchemaFieldCount(FindSchemaTable(table), version);
}

int FieldIndex(const StrPtr& table, int version, const StrPtr& name) {
  return SchemaFieldIndex(FindSchemaTable(table), version, name);
}
