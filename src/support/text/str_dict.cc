#include "support/text/str_dict.h"

const StrPtr* StrDict::LookupVar(const StrPtr& name) const {
  for (int i = 0; i < count_; ++i)
    if (pairs_[i].name.EqualExact(name)) return &pairs_[i].value;
  return nullptr;
}

void StrDict::SetVar(const StrPtr& name, const StrPtr& value) {
  for (int i = 0; i < count_; ++i) {
    if (pairs_[i].name.EqualExact(name)) {
      pairs_[i].value.Set(value);
      return;
    }
  }
  if (count_ == static_cast<int>(pairs_.size())) pairs_.emplace_back();
  Pair& p = pairs_[count_++];
  p.name.Set(name);
  p.value.Set(value);
}

bool StrDict::VarAt(int i, StrPtr* name, StrPtr* value) const {
  if (i < 0 || i >= count_) return false;
  *name = pairs_[i].name;
  *value = pairs_[i].value;
  return true;
}
