// ViewMap: insertion, ordering, the per-side prefix-tree index and lookups.
#include "map/view_map.h"

#include <algorithm>
#include <new>

#include "support/messages/debug.h"

const char* ViewMap::CheckMapping(const MapSide& left, const MapSide& right, int kind) {
  if (!left.Usable() || !right.Usable())
    return "Too many wildcards (at most 10 \"*\", 10 \"...\" and 20 in all per side)";
  if (kind == IncludeMapping && !right.SlotsSetBy(left))
    return "Right hand side uses a wildcard that the left hand side does not set";
  return nullptr;
}

void ViewMap::Clear() {
  arena.reset();
  head = nullptr;
  count = 0;
  DropIndex();
}

void ViewMap::DropIndex() {
  for (SideIndex& ix : index) {
    ix.sorted.clear();
    ix.root = 0;
  }
  ++version;
}

void ViewMap::LinkHead(MapEntry* e) {
  e->slot = count++;
  e->next = head;
  head = e;
  DropIndex();
}

MapEntry* ViewMap::NewEntry(const MapSide& left, const MapSide& right, int kind) {
  const size_t leftBytes = left.BlockSize();
  const size_t bytes = sizeof(MapEntry) + leftBytes + right.BlockSize();
  if (!arena) arena = std::make_unique<Arena>(bytes);
  char* p = static_cast<char*>(arena->Allocate(bytes));
  // The arena runs no destructors: an entry's halves own nothing.
  MapEntry* e = new (p) MapEntry();
  e->kind = kind;
  e->left.CopyFrom(left, p + sizeof(MapEntry));
  e->right.CopyFrom(right, p + sizeof(MapEntry) + leftBytes);
  return e;
}

bool ViewMap::InsertParsed(const MapSide& left, const MapSide& right, int kind) {
  if (CheckMapping(left, right, kind)) return false;
  LinkHead(NewEntry(left, right, kind));
  return true;
}

MapSide* ViewMap::Parsed() {
  if (!parsed) parsed = std::make_unique<MapSide[]>(2);
  return parsed.get();
}

bool ViewMap::Insert(const StrPtr& left, const StrPtr& right, int kind) {
  MapSide* parsed = Parsed();
  parsed[0].Parse(left, MapCaseMode(mode_));
  parsed[1].Parse(right, MapCaseMode(mode_));
  return InsertParsed(parsed[0], parsed[1], kind);
}

bool ViewMap::InsertUnique(const StrPtr& left, const StrPtr& right, int kind) {
  MapSide* parsed = Parsed();
  parsed[0].Parse(left, MapCaseMode(mode_));
  parsed[1].Parse(right, MapCaseMode(mode_));
  if (CheckMapping(parsed[0], parsed[1], kind)) return false;
  int examined = 0;
  for (const MapEntry* x = head; x && examined < dupWindow; x = x->next, ++examined)
    if (x->left.Covers(parsed[0]) && x->right.Covers(parsed[1])) return false;
  LinkHead(NewEntry(parsed[0], parsed[1], kind));
  return true;
}

void ViewMap::Reverse() {
  if (!head) return;
  int h = head->slot;
  MapEntry* prev = nullptr;
  for (MapEntry* e = head; e;) {
    MapEntry* next = e->next;
    e->next = prev;
    e->slot = h - e->slot;
    prev = e;
    e = next;
  }
  head = prev;
  DropIndex();
}

void ViewMap::AppendAll(const ViewMap& other, bool forward, bool backward) {
  for (const MapEntry* e = other.head; e; e = e->next) {
    if (forward) InsertParsed(e->left, e->right, e->kind);
    if (backward) InsertParsed(e->right, e->left, e->kind);
  }
  Reverse();
}

void ViewMap::TakeEntries(ViewMap* other) {
  arena = std::move(other->arena);
  head = other->head;
  count = other->count;
  other->head = nullptr;
  other->count = 0;
  DropIndex();
  other->DropIndex();
}

void ViewMap::Unlink(std::vector<MapEntry*>* out) {
  out->clear();
  out->reserve(count);
  for (MapEntry* e = head; e; e = e->next) out->push_back(e);
  head = nullptr;
  count = 0;
  DropIndex();
}

void ViewMap::Relink(MapEntry* e) { LinkHead(e); }

// Builds the sorted array and the prefix tree of one side. The tree is
// built from a work list rather than by recursion, since nested prefixes
// can make it as deep as the map is long.
void ViewMap::BuildIndex(int s) {
  SortSide(s);
  std::vector<MapEntry*> order;  // nodes, every parent before its children
  LinkSide(s, &order);
  SetMaxSlots(s, order);
}

void ViewMap::SortSide(int s) {
  SideIndex& ix = index[s];
  ix.sorted.clear();
  ix.sorted.reserve(count);
  for (MapEntry* e = head; e; e = e->next) {
    MapSide& h = e->Half(s);
    h.lower = h.middle = h.higher = 0;
    h.sharedWithParent = 0;
    ix.sorted.push_back(e);
  }
  std::sort(ix.sorted.begin(), ix.sorted.end(), [s](const MapEntry* a, const MapEntry* b) {
    int d = ComparePatterns(a->Half(s), b->Half(s));
    return d ? d < 0 : a->slot > b->slot;
  });

}

void ViewMap::LinkSide(int s, std::vector<MapEntry*>* orderOut) {
  SideIndex& ix = index[s];
  std::vector<MapEntry*>& order = *orderOut;
  struct Work {
    int lo, hi;
    MapEntry* parent;
    uint32_t* link;
  };
  std::vector<Work> work;
  order.reserve(count);
  ix.root = 0;
  work.push_back(Work{0, count, nullptr, &ix.root});
  auto shared = [s](MapEntry* node, MapEntry* parent) {
    return parent ? CommonPrefix(node->Half(s), parent->Half(s)) : 0;
  };
  std::vector<MapEntry*>& v = ix.sorted;
  while (!work.empty()) {
    Work w = work.back();
    work.pop_back();
    if (w.lo >= w.hi) continue;
    const MapSide& first = v[w.lo]->Half(s);
    if (w.hi - w.lo > 1 && CommonPrefix(first, v[w.hi - 1]->Half(s)) < first.LiteralPrefixLength()) {
      // Split: the node is the first entry up to the middle whose prefix
      // begins the middle entry; entries beginning with its prefix hang
      // in its middle subtree, the others below and above it.
      int m = w.lo + (w.hi - w.lo) / 2;
      int r = w.lo;
      while (r < m && CommonPrefix(v[r]->Half(s), v[m]->Half(s)) < v[r]->Half(s).LiteralPrefixLength()) ++r;
      MapSide& rh = v[r]->Half(s);
      int q = m + 1;
      while (q < w.hi && CommonPrefix(rh, v[q]->Half(s)) >= rh.LiteralPrefixLength()) ++q;
      *w.link = static_cast<uint32_t>(r) + 1;
      rh.sharedWithParent = shared(v[r], w.parent);
      order.push_back(v[r]);
      work.push_back(Work{w.lo, r, v[r], &rh.lower});
      work.push_back(Work{r + 1, q, v[r], &rh.middle});
      work.push_back(Work{q, w.hi, v[r], &rh.higher});
    } else {
      // Every entry begins with the first one's prefix: those with exactly
      // that prefix form a chain through their middle links, and the
      // longer prefixes hang below the chain's end.
      int lpl = first.LiteralPrefixLength();
      int c = w.lo;
      while (c + 1 < w.hi && v[c + 1]->Half(s).LiteralPrefixLength() == lpl) ++c;
      MapEntry* parent = w.parent;
      uint32_t* link = w.link;
      for (int i = w.lo; i <= c; ++i) {
        MapSide& h = v[i]->Half(s);
        *link = static_cast<uint32_t>(i) + 1;
        h.sharedWithParent = shared(v[i], parent);
        order.push_back(v[i]);
        parent = v[i];
        link = &h.middle;
      }
      work.push_back(Work{c + 1, w.hi, v[c], link});
    }
  }
}

void ViewMap::SetMaxSlots(int s, const std::vector<MapEntry*>& order) {
  // Children come after their parents in order: walking it backwards
  // settles every subtree's highest slot before its parent needs it.
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    MapSide& h = (*it)->Half(s);
    int mx = (*it)->slot;
    if (h.lower) mx = std::max(mx, Node(s, h.lower)->Half(s).maxSlot);
    if (h.middle) mx = std::max(mx, Node(s, h.middle)->Half(s).maxSlot);
    if (h.higher) mx = std::max(mx, Node(s, h.higher)->Half(s).maxSlot);
    h.maxSlot = mx;
  }
}

const MapEntry* ViewMap::Search(int s, const StrPtr& path, int trace, MapCaptures* captures,
                                const MapEntry** capturesOf) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(path.Text());
  const int len = static_cast<int>(path.Length());
  const MapEntry* best = nullptr;
  int bestSlot = -1;
  int matched = 0;
  *capturesOf = nullptr;
  for (MapEntry* n = Node(s, index[s].root); n;) {
    const MapSide& h = n->Half(s);
    if (h.maxSlot < bestSlot) break;
    if (matched > h.sharedWithParent) matched = h.sharedWithParent;
    const int lpl = h.LiteralPrefixLength();
    if (matched < lpl) {
      const PatternElements el = h.Elements();
      int d = 0;
      while (matched < lpl) {
        if (matched >= len) { d = 1; break; }  // the path ends first: it orders before
        if (el.Byte(matched) == p[matched]) {  // equal bytes are equal in every mode
          ++matched;
          continue;
        }
        d = PatternByteCompare(el.Byte(matched), p[matched], el[matched].caseMode);
        if (d) break;
        ++matched;
      }
      if (d) {
        n = Node(s, d > 0 ? h.lower : h.higher);
        continue;
      }
    }
    if (n->slot > bestSlot) {
      ++matchCount;
      if (h.Match(path, captures, trace, lpl)) {
        best = n;
        bestSlot = n->slot;
        *capturesOf = n;
      } else {
        *capturesOf = nullptr;
      }
    }
    n = Node(s, h.middle);
  }
  if (best && best->kind == ExcludeMapping) return nullptr;
  return best;
}

const MapEntry* ViewMap::Find(int side, const StrPtr& path) {
  if (!index[side].root) {
    if (!count) return nullptr;
    BuildIndex(side);
  }
  MapCaptures captures;
  const MapEntry* capturesOf;
  return Search(side, path, 0, &captures, &capturesOf);
}

const MapEntry* ViewMap::Translate(int side, const StrPtr& path, StrBuf* out) {
  if (!count) return nullptr;
  if (!index[side].root) BuildIndex(side);
  int trace = GetLevel(kDebugMap);
  MapCaptures captures;
  const MapEntry* capturesOf;
  const MapEntry* e = Search(side, path, trace, &captures, &capturesOf);
  if (!e) return nullptr;
  if (capturesOf != e || side == 1) {
    // Captures were clobbered by a later candidate, or the other half may
    // use slots this side does not set: match afresh.
    captures.Reset();
    ++matchCount;
    e->Half(side).Match(path, &captures, trace);
  }
  e->Half(1 - side).Expand(path, captures, out, trace);
  if (trace >= 5) DebugPrintf("MapTrans: %s (%d) -> %s\n", path.Text(), e->slot, out->Text());
  return e;
}

bool ViewMap::GatherDirectory(int s, const StrPtr& dir, int limit,
                              std::vector<const MapEntry*>* out) {
  out->clear();
  if (!count) return true;
  if (!index[s].root) BuildIndex(s);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(dir.Text());
  const int len = static_cast<int>(dir.Length());
  auto compare = [](const PatternElement& el, unsigned char c) {
    return el.byte == c ? 0 : PatternByteCompare(el.byte, c, el.caseMode);
  };
  // Entries whose literal prefix is dir followed by more: a run of the
  // sorted entries, found by its bounds. Only those whose rest has no "/"
  // can match a path of the directory itself.
  const std::vector<MapEntry*>& v = index[s].sorted;
  auto order = [&](const MapEntry* e) {  // <0 before the run, 0 in it
    const MapSide& h = e->Half(s);
    const int lpl = h.LiteralPrefixLength();
    const int n = lpl < len ? lpl : len;
    const PatternElements el = h.Elements();
    for (int i = 0; i < n; ++i)
      if (int d = compare(el[i], p[i])) return d;
    return lpl <= len ? -1 : 0;
  };
  auto lo = std::partition_point(v.begin(), v.end(), [&](const MapEntry* e) { return order(e) < 0; });
  auto hi = std::partition_point(lo, v.end(), [&](const MapEntry* e) { return order(e) == 0; });
  for (auto it = lo; it != hi; ++it) {
    const MapSide& h = (*it)->Half(s);
    const PatternElements el = h.Elements();
    bool nested = false;
    for (int i = len; i < h.LiteralPrefixLength() && !nested; ++i) nested = el[i].kind == ElementSlash;
    if (nested) continue;
    if (static_cast<int>(out->size()) == limit) {
      out->clear();
      return false;
    }
    out->push_back(*it);
  }
  // Entries whose literal prefix is a prefix of dir (or dir itself): the
  // walk of Search along dir, keeping every entry it passes whole.
  int matched = 0;
  for (MapEntry* n = Node(s, index[s].root); n;) {
    const MapSide& h = n->Half(s);
    if (matched > h.sharedWithParent) matched = h.sharedWithParent;
    const int lpl = h.LiteralPrefixLength();
    int d = 0;
    while (matched < lpl) {
      if (matched >= len) {
        d = 1;
        break;
      }
      d = compare(h.Elements()[matched], p[matched]);
      if (d) break;
      ++matched;
    }
    if (d) {
      n = Node(s, d > 0 ? h.lower : h.higher);
      continue;
    }
    if (static_cast<int>(out->size()) == limit) {
      out->clear();
      return false;
    }
    out->push_back(n);
    n = Node(s, h.middle);
  }
  std::sort(out->begin(), out->end(),
            [](const MapEntry* a, const MapEntry* b) { return a->slot > b->slot; });
  return true;
}

const MapEntry* ViewMap::TranslateAmong(const std::vector<const MapEntry*>& entries,
                                        const MapEntry* literal, int verified, int side,
                                        const StrPtr& path, StrBuf* out) {
  // The highest slot that matches wins, as in Search.
  MapCaptures captures;
  captures.Reset();
  const MapEntry* win = literal;
  for (const MapEntry* e : entries) {
    if (literal && e->slot < literal->slot) break;
    ++matchCount;
    const MapSide& h = e->Half(side);
    const int known = verified < h.LiteralPrefixLength() ? verified : h.LiteralPrefixLength();
    if (!h.Match(path, &captures, 0, known)) continue;
    win = e;
    break;
  }
  if (!win || win->kind == ExcludeMapping) return nullptr;
  win->Half(1 - side).Expand(path, captures, out, 0);
  return win;
}
