#include "map/directory_entries.h"

#include <algorithm>
#include <cstring>

namespace {

// Appends n bytes folded as mode compares them: A-Z lowered in CaseFold,
// unchanged in CaseExact.
void AppendFolded(std::string* out, const char* p, uint32_t n, StrCaseMode mode) {
  size_t at = out->size();
  out->append(p, n);
  if (mode != CaseFold) return;
  for (size_t i = at; i < out->size(); ++i) (*out)[i] = static_cast<char>(FoldByte((*out)[i]));
}

}  // namespace

void DirectoryEntries::Clear() {
  wild.clear();
  literals.clear();
  names.clear();
}

bool DirectoryEntries::Build(const std::vector<const MapEntry*>& entries, uint32_t dirLen,
                             int wildLimit) {
  Clear();
  mode = GetStrCaseMode();
  // CaseFoldThenExact compares bytes exactly but orders them folded: the
  // literals are matched in turn like the rest.
  const bool file = mode == CaseFold || mode == CaseExact;
  for (const MapEntry* e : entries) {
    const MapSide& h = e->Half(0);
    const uint32_t lpl = static_cast<uint32_t>(h.LiteralPrefixLength());
    if (h.HasWildcards() || !h.Usable() || !file || h.Elements()[0].caseMode >= 0) {
      wild.push_back(e);
      continue;
    }
    if (lpl <= dirLen) continue;  // shorter than any path of the directory
    literals.push_back(Literal{static_cast<uint32_t>(names.size()), lpl - dirLen, e});
    AppendFolded(&names, h.Elements().Text(static_cast<int>(dirLen)), lpl - dirLen, mode);
  }
  if (static_cast<int>(wild.size()) > wildLimit) {
    Clear();
    return false;
  }
  // By name; of the entries of one name the first given (highest slot)
  // stays.
  auto less = [this](const Literal& a, const Literal& b) {
    return std::string_view(names.data() + a.offset, a.length) <
           std::string_view(names.data() + b.offset, b.length);
  };
  std::stable_sort(literals.begin(), literals.end(), less);
  auto same = [&less](const Literal& a, const Literal& b) { return !less(a, b) && !less(b, a); };
  literals.erase(std::unique(literals.begin(), literals.end(), same), literals.end());
  return true;
}

const MapEntry* DirectoryEntries::FindLiteral(const char* name, uint32_t len) {
  if (literals.empty()) return nullptr;
  probe.clear();
  AppendFolded(&probe, name, len, mode);
  std::string_view key(probe);
  auto it = std::lower_bound(literals.begin(), literals.end(), key,
                             [this](const Literal& l, std::string_view k) {
                               return std::string_view(names.data() + l.offset, l.length) < k;
                             });
  if (it == literals.end() || std::string_view(names.data() + it->offset, it->length) != key)
    return nullptr;
  return it->entry;
}
