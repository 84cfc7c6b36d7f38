// Entering paths into the path tree, and its walks and diagnostic outputs.
#include "migrate/path_tree.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "support/messages/debug.h"
#include "support/text/byte_scan.h"

namespace {

// True when the component holds "...", "*" or "%%" anywhere.
bool HasWildcard(const char* c, uint32_t n) {
  for (uint32_t i = 0; i < n; i++) {
    switch (c[i]) {
      case '*':
        return true;
      case '.':
        if (i + 2 < n && c[i + 1] == '.' && c[i + 2] == '.') return true;
        break;
      case '%':
        if (i + 1 < n && c[i + 1] == '%') return true;
        break;
      default:
        break;
    }
  }
  return false;
}

// The position of the first wildcard ("...", "*" or "%%") in text from
// `from` on, or len. None holds a "/", so it lies inside one component.
uint32_t FirstWildcard(const char* text, uint32_t from, uint32_t len) {
  const char* end = text + len;
  for (const char* p = text + from;; ++p) {
    p = FindAnyOf(p, end, '*', '%', '.');
    if (p == end) return len;
    if (*p == '*' || (end - p >= 2 && p[0] == p[1] && (*p == '%' || (end - p >= 3 && p[2] == '.'))))
      return static_cast<uint32_t>(p - text);
  }
}

// A final wildcard component that is entered as an ordinary one.
bool IsBareWildcard(const char* c, uint32_t n) {
  return (n == 3 && memcmp(c, "...", 3) == 0) || (n == 1 && c[0] == '*');
}

}  // namespace

PathTree::PathTree() : root_(nullptr), extras_(nullptr), entries_(0), extrasBytes_(0) {
  root_ = NewEntry("", "", 0, false);
}

PathTree::~PathTree() {
  // Entries and aliases go with the arena; only the extras are on the
  // heap.
  while (extras_) {
    DirEntryExtras* next = extras_->next;
    delete extras_;
    extras_ = next;
  }
}

bool PathTree::NextComponent(const char* text, uint32_t len, uint32_t* pos, uint32_t* start,
                             uint32_t* n) {
  uint32_t p = *pos;
  // Every rest is split like a whole path: a leading "//" is dropped.
  if (len - p >= 2 && text[p] == '/' && text[p + 1] == '/') p += 2;
  *start = p;
  const void* slash = memchr(text + p, '/', len - p);
  if (!slash) {
    *n = len - p;
    *pos = len;
    return false;
  }
  uint32_t s = static_cast<uint32_t>(static_cast<const char*>(slash) - text);
  *n = s - p;
  *pos = s + 1;
  return s + 1 < len;
}

DirEntry* PathTree::NewEntry(const char* spelling, const char* lowered, uint32_t n,
                             bool withAlias) {
  bool sameAsName = withAlias && memcmp(spelling, lowered, n) == 0;
  bool storeFirst = withAlias && !sameAsName;
  size_t bytes = sizeof(DirEntry) + n + 1 + (storeFirst ? n + 1 : 0);
  uint8_t flags = withAlias ? DirEntry::kHasFirstAlias : 0;
  if (sameAsName) flags |= DirEntry::kFirstIsName;
  DirEntry* entry = new (arena_.Allocate(bytes)) DirEntry(n, flags);
  char* name = entry->NameBytes();
  memcpy(name, lowered, n);
  name[n] = 0;
  if (storeFirst) {
    memcpy(name + n + 1, spelling, n);
    name[2 * n + 1] = 0;
  }
  ++entries_;
  return entry;
}

DirEntry* PathTree::Child(DirEntry* parent, const char* spelling, const char* lowered,
                          uint32_t n, bool withAlias) {
  DirEntry* child = parent->FindChild(lowered, n);
  return child ? child : AddChild(parent, spelling, lowered, n, withAlias);
}

DirEntry* PathTree::AddChild(DirEntry* parent, const char* spelling, const char* lowered,
                             uint32_t n, bool withAlias) {
  DirEntry* child = NewEntry(spelling, lowered, n, withAlias);
  parent->InsertChild(child, &insertError_);
  insertError_.Clear();
  ++parent->childCount;
  if (parent->childCount >= kIndexedFrom) IndexChild(parent, child);
  return child;
}

DirEntryExtras* PathTree::Extras(DirEntry* entry) {
  if (!entry->more) {
    entry->more = new DirEntryExtras;
    entry->more->next = extras_;
    extras_ = entry->more;
    extrasBytes_ += sizeof(DirEntryExtras);
  }
  return entry->more;
}

void PathTree::IndexChild(DirEntry* parent, DirEntry* child) {
  std::unique_ptr<ChildIndex>& index = Extras(parent)->children;
  size_t before = 0;
  if (index) {
    before = index->Bytes();
    index->Add(child);
  } else {
    // The first time: every child so far, the new one among them.
    index.reset(new ChildIndex);
    extrasBytes_ += sizeof(ChildIndex);
    std::vector<const AVLNode*> nodes;
    if (parent->RootNode()) nodes.push_back(parent->RootNode());
    while (!nodes.empty()) {
      const AVLNode* node = nodes.back();
      nodes.pop_back();
      index->Add(const_cast<DirEntry*>(DirEntry::FromNode(node)));
      if (node->left) nodes.push_back(node->left);
      if (node->right) nodes.push_back(node->right);
    }
  }
  extrasBytes_ += index->Bytes() - before;
}

int PathTree::AppendAlias(DirEntry* entry, const char* bytes) {
  int index = entry->NumAliases();
  if (index >= DirEntry::kMaxAliases) return -1;
  Extras(entry);
  uint32_t n = entry->nameLength;
  DirAlias* alias = new (arena_.Allocate(sizeof(DirAlias) + n + 1)) DirAlias;
  alias->count = 0;
  alias->tables = 0;
  memcpy(alias->Variant(), bytes, n);
  alias->Variant()[n] = 0;
  SmallArray& slots = entry->more->aliases;
  int32_t before = slots.Capacity();
  slots.Push(alias);
  extrasBytes_ += sizeof(void*) * (slots.Capacity() - before);
  return index;
}

void PathTree::Count(DirEntry* entry, int alias, uint32_t tables, uint8_t usage) {
  // An entry already holding the most aliases an index can address leaves
  // a new spelling uncounted (alias -1).
  if (alias >= 0) entry->CountAlias(alias, tables);
  entry->usage |= usage;
}

DirEntry* PathTree::CountSteps(const std::vector<CachedStep>& steps, uint32_t tables) {
  // A step's entry was marked as a directory when the step was taken.
  DirEntry* entry = root_;
  for (const CachedStep& step : steps) {
    if (step.alias >= 0) step.entry->CountAlias(step.alias, tables);
    entry = step.entry;
  }
  return entry;
}

void PathTree::AddPath(const StrPtr& path, uint32_t tables) {
  const char* text = path.Text();
  uint32_t len = path.Length();

  // Bytes in common with each recent path. A directory component whose
  // "/" and the byte after it lie inside them was split, looked up and
  // counted exactly as now: its entry and alias are taken from that path.
  uint32_t common[2];
  size_t reused[2];
  for (int k = 0; k < 2; ++k) {
    const RecentPath& r = recent_[k];
    uint32_t limit = len < r.text.Length() ? len : r.text.Length();
    const char* last = r.text.Text();
    uint32_t c = CommonPrefixLength(text, last, limit);
    // Steps are in path order; consecutive paths mostly share all of them.
    size_t n = r.steps.size();
    while (n > 0 && r.steps[n - 1].slash + 1 >= c) --n;
    common[k] = c;
    reused[k] = n;
  }
  for (int k = 0; k < 2; ++k) {
    const RecentPath& r = recent_[k];
    if (!r.leaf || common[k] != len || r.text.Length() != len) continue;
    // The same path again: counted exactly as the walk below would count it.
    CountSteps(r.steps, tables);
    Count(r.leaf, r.leafAlias, tables, DirEntry::kUsedAsFile);
    lastUsed_ = k;
    return;
  }
  // The slot that saves more lookups; with none saved, the one entered
  // longer ago makes room.
  int slot = reused[0] > reused[1] ? 0 : reused[1] > reused[0] ? 1 : 1 - lastUsed_;
  if (reused[slot] > 0 && reused[0] == reused[1]) slot = common[0] >= common[1] ? 0 : 1;
  lastUsed_ = slot;
  std::vector<CachedStep>& steps = recent_[slot].steps;
  steps.resize(reused[slot]);
  recent_[slot].text.Set(text, len);
  recent_[slot].leaf = nullptr;

  DirEntry* entry = CountSteps(steps, tables);
  uint32_t pos = steps.empty() ? 0 : steps.back().slash + 1, start = 0, n = 0;

  // The rest is lowered for the lookups; bytes before pos are not read.
  lowered_.Clear();
  char* lowered = lowered_.Alloc(len + 1);
  LowerAsciiBytes(text + pos, lowered + pos, len - pos);

  // Only the component holding the first wildcard needs the full test.
  const uint32_t wildcard = FirstWildcard(text, pos, len);
  for (;;) {
    bool more = NextComponent(text, len, &pos, &start, &n);
    const char* c = text + start;
    if (start + n > wildcard && HasWildcard(c, n) && (more || !IsBareWildcard(c, n))) return;
    DirEntry* child = entry->FindChild(lowered + start, n);
    int alias;
    if (!child) {
      child = AddChild(entry, c, lowered + start, n, true);
      alias = 0;
    } else {
      alias = child->FindAlias(c);
      if (alias < 0) alias = AppendAlias(child, c);
    }
    Count(child, alias, tables, more ? DirEntry::kUsedAsDir : DirEntry::kUsedAsFile);
    if (!more) {
      recent_[slot].leaf = child;
      recent_[slot].leafAlias = alias;
      return;
    }
    steps.push_back(CachedStep{child, alias, start + n});
    entry = child;
  }
}

uint32_t PathTree::TableBit(const StrPtr& table) {
  for (size_t i = 0; i < tableNames_.size(); ++i)
    if (table.EqualExact(StrPtr(tableNames_[i].data(), static_cast<uint32_t>(tableNames_[i].size()))))
      return 1u << i;
  if (tableNames_.size() >= kOtherTables) return 1u << kOtherTables;
  tableNames_.emplace_back(table.Text(), table.Length());
  return 1u << (tableNames_.size() - 1);
}

void PathTree::TableNames(uint32_t tables, std::vector<std::string>* names) const {
  names->clear();
  for (size_t i = 0; i < tableNames_.size(); ++i)
    if (tables & (1u << i)) names->push_back(tableNames_[i]);
  if (tables & (1u << kOtherTables)) names->push_back("(other tables)");
}

void PathTree::MarkHead(const StrPtr& path) {
  lowered_.Set(path);
  lowered_.LowerAscii();
  const char* text = path.Text();
  const char* lowered = lowered_.Text();
  uint32_t len = path.Length();
  uint32_t pos = 0, start = 0, n = 0;
  DirEntry* entry = root_;
  for (;;) {
    bool more = NextComponent(text, len, &pos, &start, &n);
    DirEntry* child = Child(entry, text + start, lowered + start, n, false);
    int alias = child->FindAlias(text + start);
    if (alias >= 0) child->headAlias = static_cast<int16_t>(alias);
    if (!more) return;
    entry = child;
  }
}

bool PathTree::Walk(PathTreeVisitor* visitor) const {
  // Entries waiting to be visited, with their depth; the next is on top.
  std::vector<std::pair<const DirEntry*, int>> pending;
  std::vector<const AVLNode*> nodes;
  pending.emplace_back(root_, 0);
  while (!pending.empty()) {
    auto [entry, depth] = pending.back();
    pending.pop_back();
    if (!visitor->Visit(entry, depth)) return false;
    // Push the children largest first, so the smallest is visited next:
    // a reverse in-order walk of the child tree.
    const AVLNode* node = entry->RootNode();
    while (node || !nodes.empty()) {
      for (; node; node = node->right) nodes.push_back(node);
      node = nodes.back();
      nodes.pop_back();
      pending.emplace_back(DirEntry::FromNode(node), depth + 1);
      node = node->left;
    }
  }
  return true;
}

size_t PathTree::MemoryUsage() const {
  return arena_.BytesReserved() + extrasBytes_;
}

namespace {

class StatisticsVisitor : public PathTreeVisitor {
 public:
  bool Visit(const DirEntry* entry, int depth) override {
    ++nodes;
    if (entry->IsEmpty()) ++leaves;
    int n = entry->NumAliases();
    aliases += n;
    maxAliases = std::max(maxAliases, n);
    maxDepth = std::max(maxDepth, depth);
    return true;
  }

  int64_t nodes = 0;
  int64_t leaves = 0;
  int64_t aliases = 0;
  int maxAliases = 0;
  int maxDepth = 0;
};

class DumpVisitor : public PathTreeVisitor {
 public:
  bool Visit(const DirEntry* entry, int depth) override {
    if (depth == 0) return true;  // the root prints nothing
    int level = depth - 1;
    uint32_t indent = static_cast<uint32_t>(level) * 4;
    while (prefix.Length() < indent) prefix.Append("... ", 4);
    int width = static_cast<int>(indent);
    const char* pad = prefix.Text();
    DebugPrintf("%.*sEntry name: %s\n", width, pad, entry->Name().Text());
    int n = entry->NumAliases();
    for (int i = 0; i < n; i++) {
      DebugPrintf("%.*sAlias: %s (%d)\n", width, pad, entry->AliasVariant(i).Text(),
                  entry->AliasCount(i));
    }
    // An entry made only by head marking has no alias: it shows its name
    // with a count of 0.
    int32_t count = n > 0 ? entry->AliasCount(entry->MostCommon()) : 0;
    DebugPrintf("%.*sMost common alias: %s (%d:%d)\n", width, pad,
                entry->MostCommonVariant().Text(), count, entry->MaxCount());
    return true;
  }

  StrBuf prefix;
};

}  // namespace

void PathTree::PrintStatistics() const {
  StatisticsVisitor stats;
  Walk(&stats);
  DebugPrintf("\nPath Tree Statistics\n\n");
  DebugPrintf("Nodes in tree:             %lld\n", static_cast<long long>(stats.nodes));
  DebugPrintf("Leaf nodes in tree:        %lld\n", static_cast<long long>(stats.leaves));
  DebugPrintf("No. of Aliases used:       %lld\n", static_cast<long long>(stats.aliases));
  DebugPrintf("Max Aliases per node:      %d\n", stats.maxAliases);
  DebugPrintf("Max Tree depth:            %d\n", stats.maxDepth);
  DebugPrintf("\n");
}

void PathTree::DumpTree() const {
  DumpVisitor dump;
  Walk(&dump);
}
