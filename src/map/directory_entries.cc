#include "map/directory_entries.h"

#include <cstring>

void DirectoryEntries::Clear() {
  wild.clear();
  literals.clear();
  table.clear();
  names.clear();
}

uint32_t DirectoryEntries::Hash(const char* p, uint32_t n) const {
  uint32_t h = 2166136261u;
  const bool fold = mode == CaseFold;
  for (uint32_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    h = (h ^ (fold ? FoldByte(c) : c)) * 16777619u;
  }
  return h;
}

bool DirectoryEntries::Same(const Literal& l, const char* name, uint32_t n) const {
  if (l.length != n) return false;
  const char* k = names.data() + l.offset;
  if (mode != CaseFold) return memcmp(k, name, n) == 0;
  for (uint32_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(k[i]) != FoldByte(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

bool DirectoryEntries::Build(const std::vector<const MapEntry*>& entries, uint32_t dirLen,
                             int wildLimit, StrCaseMode caseMode) {
  Clear();
  mode = caseMode;
  // CaseFoldThenExact compares bytes exactly but orders them folded: the
  // literals are matched in turn like the rest.
  const bool file = mode == CaseFold || mode == CaseExact;
  size_t literalCount = 0;
  for (const MapEntry* e : entries) {
    const MapSide& h = e->Half(0);
    if (h.HasWildcards() || !h.Usable() || !file || h.Elements()[0].caseMode >= 0)
      wild.push_back(e);
    else if (static_cast<uint32_t>(h.LiteralPrefixLength()) > dirLen)
      ++literalCount;
    // (an all-literal entry no longer than the directory matches none of
    // its paths)
  }
  if (static_cast<int>(wild.size()) > wildLimit) {
    Clear();
    return false;
  }
  if (literalCount == 0) return true;
  size_t size = 4;
  while (size < literalCount * 2) size *= 2;
  table.assign(size, 0);
  // Highest slot first: of the entries of one name the first stays.
  for (const MapEntry* e : entries) {
    const MapSide& h = e->Half(0);
    const uint32_t lpl = static_cast<uint32_t>(h.LiteralPrefixLength());
    if (h.HasWildcards() || !h.Usable() || !file || h.Elements()[0].caseMode >= 0 || lpl <= dirLen)
      continue;
    const char* name = h.Elements().Text(static_cast<int>(dirLen));
    const uint32_t n = lpl - dirLen;
    size_t at = Hash(name, n) & (size - 1);
    for (; table[at]; at = (at + 1) & (size - 1))
      if (Same(literals[table[at] - 1], name, n)) break;
    if (table[at]) continue;  // a higher slot of this name is filed
    Literal l{static_cast<uint32_t>(names.size()), n, e};
    for (uint32_t i = 0; i < n; ++i) {
      unsigned char c = static_cast<unsigned char>(name[i]);
      names.push_back(static_cast<char>(mode == CaseFold ? FoldByte(c) : c));
    }
    literals.push_back(l);
    table[at] = static_cast<uint32_t>(literals.size());
  }
  return true;
}

const MapEntry* DirectoryEntries::FindLiteral(const char* name, uint32_t len) {
  if (table.empty()) return nullptr;
  const size_t mask = table.size() - 1;
  for (size_t at = Hash(name, len) & mask; table[at]; at = (at + 1) & mask) {
    const Literal& l = literals[table[at] - 1];
    if (Same(l, name, len)) return l.entry;
  }
  return nullptr;
}
