#include "migrate/rename/rename_plan.h"

#include <algorithm>
#include <cstring>

std::string_view RenamePlan::Keep(const StrPtr& s) {
  if (s.Length() == 0) return std::string_view();
  char* p = static_cast<char*>(arena_.Allocate(s.Length()));
  memcpy(p, s.Text(), s.Length());
  return std::string_view(p, s.Length());
}

bool RenamePlan::Add(const StrPtr& from, const StrPtr& to, const StrPtr& lbrFile,
                     const StrPtr& lbrRev) {
  // The callers have already asked for the target, so a refusal is rare:
  // the names are kept first and entered with one lookup each.
  PlannedMove m{Keep(from), Keep(to), {}, {}, 0, {}};
  const size_t index = moves_.size();
  if (!byTarget_.try_emplace(m.to, index).second) return false;
  if (!bySource_.try_emplace(m.from, index).second) {
    byTarget_.erase(m.to);
    return false;
  }
  m.lbrFile = Keep(lbrFile);
  m.lbrRev = Keep(lbrRev);
  m.depth = static_cast<uint32_t>(std::count(m.to.begin(), m.to.end(), '/'));
  // The sort key: the wanted name with "/" as the lowest byte (a name never
  // holds a NUL), so that a plain byte comparison orders components.
  char* key = static_cast<char*>(arena_.Allocate(m.to.size() ? m.to.size() : 1));
  std::replace_copy(m.to.begin(), m.to.end(), key, '/', '\0');
  m.sortKey = std::string_view(key, m.to.size());
  moves_.push_back(m);
  return true;
}

const PlannedMove* RenamePlan::FromSource(const StrPtr& from) const {
  auto it = bySource_.find(from.View());
  return it == bySource_.end() ? nullptr : &moves_[it->second];
}

void RenamePlan::Sort() {
  // The indexes are no longer needed once the order of execution is fixed.
  byTarget_.clear();
  bySource_.clear();
  std::sort(moves_.begin(), moves_.end(), [](const PlannedMove& x, const PlannedMove& y) {
    return x.depth != y.depth ? x.depth < y.depth : x.sortKey < y.sortKey;
  });
}
