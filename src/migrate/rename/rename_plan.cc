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
  if (byTarget_.count(to.View()) || bySource_.count(from.View())) return false;
  PlannedMove m{Keep(from), Keep(to), Keep(lbrFile), Keep(lbrRev), 0};
  m.depth = static_cast<uint32_t>(std::count(m.to.begin(), m.to.end(), '/'));
  moves_.push_back(m);
  byTarget_.emplace(m.to, moves_.size() - 1);
  bySource_.emplace(m.from, moves_.size() - 1);
  return true;
}

const PlannedMove* RenamePlan::FromSource(const StrPtr& from) const {
  auto it = bySource_.find(from.View());
  return it == bySource_.end() ? nullptr : &moves_[it->second];
}

bool RenamePlan::SameDepthLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = std::mismatch(a.begin(), a.begin() + n, b.begin()).first - a.begin();
  if (i == n) return a.size() < b.size();
  if (a[i] == '/') return true;
  if (b[i] == '/') return false;
  return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
}

void RenamePlan::Sort() {
  // The indexes are no longer needed once the order of execution is fixed.
  byTarget_.clear();
  bySource_.clear();
  std::sort(moves_.begin(), moves_.end(), [](const PlannedMove& x, const PlannedMove& y) {
    return x.depth != y.depth ? x.depth < y.depth : SameDepthLess(x.to, y.to);
  });
}
