// DirectoryDecisions: finding the directory lines of a translation map and
// carrying their spelling down to the lines below them.
#include "map/directory_decisions.h"

#include <algorithm>

namespace {

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when a wildcard starts at p[i] ("*", "..." or "%%" and a digit).
inline bool WildcardAt(const char* p, size_t n, size_t i) {
  if (p[i] == '*') return true;
  if (p[i] == '.' && i + 2 < n && p[i + 1] == '.' && p[i + 2] == '.') return true;
  return p[i] == '%' && i + 2 < n && p[i + 1] == '%' && p[i + 2] >= '0' && p[i + 2] <= '9';
}

// True when a[from, to) equals the lowered bytes lowered[from, to) ignoring
// ASCII case.
inline bool SameIgnoringCase(const char* a, const std::string& lowered, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (Lower(a[i]) != lowered[i]) return false;
  return true;
}

}  // namespace

void DirectoryDecisions::Add(const StrPtr& left, const StrPtr& right, int line) {
  const char* l = left.Text();
  const size_t n = left.Length();
  if (n < 7 || l[0] != '/' || l[1] != '/' || l[2] == '/' || !left.EndsWith("/...", 4)) return;
  if (right.Length() != n || !right.EndsWith("/...", 4)) return;
  const size_t dir = n - 4;
  for (size_t i = 2; i < dir; ++i) {
    if (WildcardAt(l, dir, i)) return;
    if (l[i] == '/' && l[i - 1] == '/') return;  // an empty component
  }
  std::string key(l, dir);
  for (char& c : key) c = Lower(c);
  if (!SameIgnoringCase(right.Text(), key, 0, dir)) return;  // not a case variant
  Decision& d = decisions_[key];
  d.spelling.assign(right.Text(), dir);
  d.line = line;
  longest_ = std::max(longest_, dir);
}

const DirectoryDecisions::Decision* DirectoryDecisions::Find(const std::string& lowered,
                                                             size_t n) const {
  probe_.assign(lowered, 0, n);
  auto it = decisions_.find(probe_);
  return it == decisions_.end() ? nullptr : &it->second;
}

DirectoryDecisions::Change DirectoryDecisions::Apply(const StrPtr& left, StrBuf* right,
                                                     int line) const {
  Change change;
  const char* l = left.Text();
  const size_t n = left.Length();
  if (decisions_.empty() || n < 4 || l[0] != '/' || l[1] != '/' || l[2] == '/') return change;
  // Only the directories no longer than the longest decided one can be
  // decided: a deep path costs no more than that.
  const size_t span = std::min(n, longest_ + 1);
  lowered_.assign(l, span);
  for (char& c : lowered_) c = Lower(c);
  char* r = right->Value();
  const size_t rn = right->Length();
  size_t start = 2;  // of the current component
  for (size_t p = 2; p < span; ++p) {
    if (WildcardAt(l, n, p)) break;
    if (l[p] != '/') continue;
    // [start, p) is a literal component and [0, p) a literal directory.
    if (p == start) break;  // an empty component: no directory is decided there
    // The right side must spell the same directory at the same places.
    if (rn <= p || r[p] != '/' || !SameIgnoringCase(r, lowered_, start, p)) break;
    // A directory line of this same directory is a decision (or one that a
    // later line of the directory overrides), not a line below it.
    if (n - p == 4 && memcmp(l + p, "/...", 4) == 0) break;
    const Decision* d = Find(lowered_, p);
    if (d && d->line != line && memcmp(r + start, d->spelling.data() + start, p - start) != 0) {
      if (memcmp(r + start, l + start, p - start) != 0) change.overruled = true;
      memcpy(r + start, d->spelling.data() + start, p - start);
      change.changed = true;
      change.decidedBy = d->line;
      change.directory = d->spelling;
    }
    start = p + 1;
  }
  return change;
}

bool DirectoryDecisions::Spell(StrBuf* path, bool ownDirectory) const {
  if (decisions_.empty()) return false;
  StrBuf left(*path);
  bool changed = Apply(left, path, -1).changed;
  const size_t n = path->Length();
  if (!ownDirectory || n > longest_) return changed;
  std::string lowered(path->Text(), n);
  for (char& c : lowered) c = Lower(c);
  const Decision* d = Find(lowered, n);
  if (!d) return changed;
  size_t last = n;
  while (last > 0 && (*path)[static_cast<uint32_t>(last - 1)] != '/') --last;
  char* p = path->Value();
  if (memcmp(p + last, d->spelling.data() + last, n - last) == 0) return changed;
  memcpy(p + last, d->spelling.data() + last, n - last);
  return true;
}
