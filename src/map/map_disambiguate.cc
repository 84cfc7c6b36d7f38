// Disambiguation of a ViewMap by joining every pair of its mappings that
// can intersect.
//
// Two patterns can only intersect when the shorter literal prefix begins
// the longer one. A map of n lines would otherwise cost n*n/2 joins, nearly
// all of which fail on their first bytes; instead each side's literal
// prefixes are sorted (ASCII letters folded, which every case mode's
// equality implies) into groups of equal prefixes, each group knowing the
// group that most nearly encloses it and where the groups it encloses end.
// An entry's candidates are then its enclosing groups, its own group and
// the groups it encloses.
//
// In a map of nested directory lines every line would also gain two
// exclusions for each line beneath it, most of them redundant: where a
// later directory line ("//a/b/... //a/B/...") covers a candidate on both
// sides, the candidate's exclusions lie within those of the directory
// line, which sit in the same band of priority, so the candidate is not
// joined. This is only done for entries of at most one wildcard a side,
// whose joins with a directory line never stop early.
#include "map/map_disambiguate.h"

#include <algorithm>
#include <vector>

void MapDisambiguate::Joined() {
  entry0->left.Expand(*this, secondCaptures, &newLeft, 0);
  entry0->right.Expand(*this, secondCaptures, &newRight, 0);
  result->InsertUnique(newLeft, newRight, ExcludeMapping);
}

namespace {

// The entries of one side grouped by folded literal prefix. Entries are
// named by their position in the map's list (0 the head).
class PrefixGroups {
 public:
  PrefixGroups(const std::vector<MapEntry*>& entries, int side) {
    const int n = static_cast<int>(entries.size());
    sorted.resize(n);
    for (int i = 0; i < n; ++i) sorted[i] = i;
    auto half = [&](int i) -> const MapSide& { return entries[i]->Half(side); };
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
      int d = CompareFolded(half(a), half(b));
      return d ? d < 0 : a < b;
    });
    groupOf.resize(n);
    std::vector<int> open;  // groups whose prefix begins the current one
    for (int i = 0; i < n;) {
      int j = i + 1;
      while (j < n && CompareFolded(half(sorted[i]), half(sorted[j])) == 0) ++j;
      const int g = static_cast<int>(begin.size());
      while (!open.empty() && !FoldedPrefixOf(half(sorted[begin[open.back()]]), half(sorted[i]))) {
        subtreeEnd[open.back()] = i;
        open.pop_back();
      }
      begin.push_back(i);
      parent.push_back(open.empty() ? -1 : open.back());
      subtreeEnd.push_back(n);
      for (int k = i; k < j; ++k) groupOf[sorted[k]] = g;
      open.push_back(g);
      i = j;
    }
  }

  // True when fn(q) holds for some entry q whose folded prefix begins e's
  // (e's own group and the enclosing groups); at most perGroup entries of
  // each group are offered, in list order.
  template <class Fn>
  bool AnyEnclosing(int e, int perGroup, Fn fn) const {
    for (int a = groupOf[e]; a >= 0; a = parent[a]) {
      const int end = std::min(GroupEnd(a), begin[a] + perGroup);
      for (int k = begin[a]; k < end; ++k)
        if (fn(sorted[k])) return true;
    }
    return false;
  }

  // Appends to out the entries before limit in the list whose literal
  // prefix begins, or begins with, that of entry e.
  void Candidates(int e, int limit, std::vector<int>* out) const {
    const int g = groupOf[e];
    for (int a = parent[g]; a >= 0; a = parent[a]) {
      for (int k = begin[a]; k < GroupEnd(a); ++k)
        if (sorted[k] < limit) out->push_back(sorted[k]);
    }
    for (int k = begin[g]; k < subtreeEnd[g]; ++k)
      if (sorted[k] < limit) out->push_back(sorted[k]);
  }

 private:
  // The position in sorted after group g's last entry.
  int GroupEnd(int g) const {
    return g + 1 < static_cast<int>(begin.size()) ? begin[g + 1] : static_cast<int>(sorted.size());
  }

  static int CompareFolded(const MapSide& a, const MapSide& b) {
    const PatternElements x = a.Elements();
    const PatternElements y = b.Elements();
    const int n = std::min(a.LiteralPrefixLength(), b.LiteralPrefixLength());
    for (int i = 0; i < n; ++i) {
      int d = FoldByte(x.Byte(i)) - FoldByte(y.Byte(i));
      if (d) return d;
    }
    return a.LiteralPrefixLength() - b.LiteralPrefixLength();
  }

  // True when a's folded literal prefix begins b's.
  static bool FoldedPrefixOf(const MapSide& a, const MapSide& b) {
    if (a.LiteralPrefixLength() > b.LiteralPrefixLength()) return false;
    const PatternElements x = a.Elements();
    const PatternElements y = b.Elements();
    for (int i = 0; i < a.LiteralPrefixLength(); ++i)
      if (FoldByte(x.Byte(i)) != FoldByte(y.Byte(i))) return false;
    return true;
  }

  std::vector<int> sorted;      // entries by folded prefix, then list order
  std::vector<int> groupOf;     // entry -> its group
  std::vector<int> begin;       // group -> first position in sorted
  std::vector<int> parent;      // group -> nearest enclosing group, or -1
  std::vector<int> subtreeEnd;  // group -> end of the positions it encloses
};

// True when the half is a literal prefix followed by a final "...".
bool IsDirectory(const MapSide& h) {
  const int lpl = h.LiteralPrefixLength();
  return h.WildcardCount() == 1 && h.End() == lpl + 1 && h.Elements()[lpl].kind == ElementDots;
}

// True when a's literal prefix begins b's literal prefix, byte for byte.
bool BeginsExactly(const MapSide& a, const MapSide& b) {
  const int n = a.LiteralPrefixLength();
  if (n > b.LiteralPrefixLength()) return false;
  const PatternElements x = a.Elements();
  const PatternElements y = b.Elements();
  for (int i = 0; i < n; ++i)
    if (x.Byte(i) != y.Byte(i)) return false;
  return true;
}

// True when directory line q matches on each side everything p does. Of
// two identical lines, only the one nearer the head covers the other.
bool CoversBothSides(const MapEntry& q, int qi, const MapEntry& p, int pi) {
  if (qi == pi || !IsDirectory(q.left) || !IsDirectory(q.right)) return false;
  if (!BeginsExactly(q.left, p.left) || !BeginsExactly(q.right, p.right)) return false;
  const bool same = IsDirectory(p.left) && IsDirectory(p.right) &&
                    q.left.LiteralPrefixLength() == p.left.LiteralPrefixLength() &&
                    q.right.LiteralPrefixLength() == p.right.LiteralPrefixLength();
  return !same || qi < pi;
}

// Entries of a group offered as covering lines: enough for the groups of
// real maps, which hold a line or two, without letting a group of many
// duplicates cost a pass per candidate.
const int kCoverersPerGroup = 8;

}  // namespace

void Disambiguate(ViewMap* map, int window) {
  // The map's entries are taken out of its list and put back one by one,
  // each after the exclusions it gains: the entries are not copied, so the
  // map never holds the old and the new list at once. An entry put back
  // keeps its halves, which later entries are still joined with.
  std::vector<MapEntry*> entries;
  map->Unlink(&entries);
  const PrefixGroups left(entries, 0);
  const PrefixGroups right(entries, 1);

  const int oldWindow = map->DupWindow();
  map->SetDupWindow(window);
  MapDisambiguate joiner(map);
  std::vector<int> candidates;
  // The head is entered first and each entry's exclusions before it: the
  // list ends up reversed.
  for (int s = 0; s < static_cast<int>(entries.size()); ++s) {
    MapEntry* entry = entries[s];
    if (entry->kind == ExcludeMapping) continue;
    candidates.clear();
    left.Candidates(s, s, &candidates);
    right.Candidates(s, s, &candidates);
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    const bool prune = entry->left.WildcardCount() <= 1 && entry->right.WildcardCount() <= 1;
    joiner.entry0 = entry;
    for (int p : candidates) {
      if (prune && left.AnyEnclosing(p, kCoverersPerGroup, [&](int q) {
            return q < s && CoversBothSides(*entries[q], q, *entries[p], p);
          }))
        continue;
      joiner.entry1 = entries[p];
      joiner.Join(entries[p]->left, entry->left);
      joiner.Join(entries[p]->right, entry->right);
    }
    map->Relink(entry);
  }
  map->SetDupWindow(oldWindow);
  map->Reverse();
}
