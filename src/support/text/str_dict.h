// StrDict: a small dictionary of names and copies of their values, searched
// linearly (it holds the few variables of one message). Clearing keeps the
// records, so a dictionary used again allocates nothing for values that fit.
#ifndef ZT_SUPPORT_TEXT_STR_DICT_H_
#define ZT_SUPPORT_TEXT_STR_DICT_H_

#include <vector>

#include "support/text/strbuf.h"

class StrDict {
 public:
  StrDict() = default;
  StrDict(const StrDict&) = delete;
  StrDict& operator=(const StrDict&) = delete;

  // The value of the name, or null.
  const StrPtr* LookupVar(const StrPtr& name) const;
  const StrPtr* GetVar(const char* name) const { return LookupVar(StrPtr(name)); }
  // Gives the name its value, replacing an earlier value of the name.
  void SetVar(const StrPtr& name, const StrPtr& value);
  // The pair at index i, in the order the names were first set; false when
  // there is none.
  bool VarAt(int i, StrPtr* name, StrPtr* value) const;
  void DropAll() { count_ = 0; }
  int Count() const { return count_; }

 private:
  struct Pair {
    StrBuf name;
    StrBuf value;
  };
  std::vector<Pair> pairs_;  // the first count_ are in use
  int count_ = 0;
};

#endif  // ZT_SUPPORT_TEXT_STR_DICT_H_
