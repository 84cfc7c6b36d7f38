#include "migrate/rename/rename_plan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

namespace {

uint32_t HashOf(std::string_view s, uint32_t location) {
  const size_t h = std::hash<std::string_view>()(s) + location * 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// The first eight bytes of a sort key as one big-endian number (zeros past
// its end): ordering by it agrees with ordering by the bytes, up to ties.
uint64_t KeyPrefix(std::string_view key) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i)
    v = (v << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  return v;
}

}  // namespace

std::string_view RenamePlan::Keep(const StrPtr& s) {
  if (s.Length() == 0) return std::string_view();
  char* p = static_cast<char*>(arena_.Allocate(s.Length()));
  memcpy(p, s.Text(), s.Length());
  return std::string_view(p, s.Length());
}

long RenamePlan::Find(const Index& index, Field field, std::string_view key, int location) const {
  if (index.empty()) return -1;
  const uint32_t loc = static_cast<uint32_t>(location);
  const uint32_t hash = HashOf(key, loc);
  const size_t mask = index.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint64_t slot = index[i];
    if (slot == 0) return -1;
    if (static_cast<uint32_t>(slot >> 32) != hash) continue;
    const size_t at = static_cast<uint32_t>(slot) - 1;
    if (moves_[at].*field == key && moves_[at].location == loc) return static_cast<long>(at);
  }
}

void RenamePlan::Insert(Index* index, Field field) {
  // Kept at most half full: the table doubles and every move enters again.
  auto place = [this, index, field](size_t m) {
    const uint32_t hash = HashOf(moves_[m].*field, moves_[m].location);
    const size_t mask = index->size() - 1;
    size_t i = hash & mask;
    while ((*index)[i] != 0) i = (i + 1) & mask;
    (*index)[i] = (static_cast<uint64_t>(hash) << 32) | (m + 1);
  };
  if (2 * moves_.size() > index->size()) {
    index->assign(std::bit_ceil(std::max<size_t>(64, 4 * moves_.size())), 0);
    for (size_t m = 0; m + 1 < moves_.size(); ++m) place(m);
  }
  place(moves_.size() - 1);
}

bool RenamePlan::Add(const StrPtr& from, const StrPtr& to, const StrPtr& lbrFile,
                     const StrPtr& lbrRev, int location) {
  if (Find(byTarget_, &PlannedMove::to, to.View(), location) >= 0 ||
      Find(bySource_, &PlannedMove::from, from.View(), location) >= 0)
    return false;
  PlannedMove m{Keep(from), Keep(to), Keep(lbrFile), Keep(lbrRev), 0, {},
                static_cast<uint32_t>(location)};
  m.depth = static_cast<uint32_t>(std::count(m.to.begin(), m.to.end(), '/'));
  // The sort key: the wanted name with "/" as the lowest byte (a name never
  // holds a NUL), so that a plain byte comparison orders components.
  char* key = static_cast<char*>(arena_.Allocate(m.to.size() ? m.to.size() : 1));
  std::replace_copy(m.to.begin(), m.to.end(), key, '/', '\0');
  m.sortKey = std::string_view(key, m.to.size());
  moves_.push_back(m);
  Insert(&byTarget_, &PlannedMove::to);
  Insert(&bySource_, &PlannedMove::from);
  return true;
}

const PlannedMove* RenamePlan::FromSource(const StrPtr& from, int location) const {
  long at = Find(bySource_, &PlannedMove::from, from.View(), location);
  return at < 0 ? nullptr : &moves_[static_cast<size_t>(at)];
}

void RenamePlan::Sort() {
  // The indexes are no longer needed once the order of execution is fixed.
  Index().swap(byTarget_);
  Index().swap(bySource_);
  // Sorted as small keys (depth, the key's first bytes, position), the
  // whole key compared only on a tie, then put in that order.
  struct Key {
    uint32_t depth;
    uint32_t at;
    uint64_t prefix;
  };
  std::vector<Key> keys(moves_.size());
  for (size_t i = 0; i < moves_.size(); ++i)
    keys[i] = Key{moves_[i].depth, static_cast<uint32_t>(i), KeyPrefix(moves_[i].sortKey)};
  std::sort(keys.begin(), keys.end(), [this](const Key& x, const Key& y) {
    if (x.depth != y.depth) return x.depth < y.depth;
    if (x.prefix != y.prefix) return x.prefix < y.prefix;
    return moves_[x.at].sortKey < moves_[y.at].sortKey;
  });
  std::vector<PlannedMove> sorted;
  sorted.reserve(moves_.size());
  for (const Key& k : keys) sorted.push_back(moves_[k.at]);
  moves_.swap(sorted);
}
