// StrDict: the family of name/value dictionaries. Linear search, no
// hashing: they hold few pairs. BufferDict keeps at most 20 pairs in one
// buffer and serves the variables of an Error; StrPtrDict holds views of the
// caller's bytes; StrBufDict holds copies.
#ifndef ZT_SUPPORT_TEXT_STR_DICT_H_
#define ZT_SUPPORT_TEXT_STR_DICT_H_

#include <cstdint>
#include <memory>

#include "support/text/strbuf.h"
#include "support/text/var_array.h"

class Error;
class StrDict;

class StrDictIterator {
 public:
  virtual ~StrDictIterator() {}
  virtual bool Get(StrPtr* name, StrPtr* value) = 0;
  virtual void Next() = 0;
  virtual void Reset() = 0;
};

class StrDict {
 public:
  StrDict() {}
  StrDict(const StrDict&) = delete;
  StrDict& operator=(const StrDict&) = delete;
  virtual ~StrDict();

  // The dictionary's iterator, reset to the first pair.
  virtual StrDictIterator* Iterator();
  // The value of the first pair with this name, or null.
  virtual const StrPtr* LookupVar(const StrPtr& name) const = 0;
  // Indexed names: name + x, and name + x + "," + y.
  void SetVar(const StrPtr& name, int x, const StrPtr& value);
  void SetVar(const StrPtr& name, int x, int y, const StrPtr& value);
  void SetVarInt(const StrPtr& name, int64_t value);
  void SetVarInt(const StrPtr& name, int x, int64_t value);
  void SetVar(const StrPtr& name, const StrPtr& value) { StoreVar(name, value); }
  // Adds a pair (no check for an existing name).
  virtual void StoreVar(const StrPtr& name, const StrPtr& value) = 0;
  virtual void DropVar(const StrPtr&) {}
  // The pair at index i; false when there is none.
  virtual bool VarAt(int, StrPtr*, StrPtr*) const { return false; }
  // Sets "Required parameter '%arg%' not set!" in e.
  void RequireVar(const StrPtr& name, Error* e);
  virtual void DropAll() {}
  virtual int Count() const = 0;

  // Lookup by a plain text name; null when absent.
  const StrPtr* GetVar(const char* name) const { return LookupVar(StrPtr(name)); }
  // Lookup by an indexed name (name + x).
  const StrPtr* GetVar(const StrPtr& name, int x) const;

 private:
  std::unique_ptr<StrDictIterator> iterator;
};

class StrDictBasicIterator : public StrDictIterator {
 public:
  explicit StrDictBasicIterator(StrDict* d) : position(0), dict(d) {}
  bool Get(StrPtr* name, StrPtr* value) override { return dict->VarAt(position, name, value); }
  void Next() override { ++position; }
  void Reset() override { position = 0; }

 private:
  int position;
  StrDict* dict;  // not owned
};

// Pairs of views of the caller's bytes.
class StrPtrDict : public StrDict {
 public:
  StrPtrDict() : count(0) {}
  ~StrPtrDict() override;
  const StrPtr* LookupVar(const StrPtr& name) const override;
  void StoreVar(const StrPtr& name, const StrPtr& value) override;
  void DropVar(const StrPtr& name) override;
  bool VarAt(int i, StrPtr* name, StrPtr* value) const override;
  void DropAll() override { count = 0; }
  int Count() const override { return count; }

 private:
  struct Pair { StrPtr name, value; };
  VarArray pairs;
  int count;
};

// Pairs of owned copies.
class StrBufDict : public StrDict {
 public:
  StrBufDict() : count(0) {}
  ~StrBufDict() override;
  const StrPtr* LookupVar(const StrPtr& name) const override;
  void StoreVar(const StrPtr& name, const StrPtr& value) override;
  void DropVar(const StrPtr& name) override;
  bool VarAt(int i, StrPtr* name, StrPtr* value) const override;
  void DropAll() override { count = 0; }
  int Count() const override { return count; }

 private:
  struct Pair { StrBuf name, value; };
  VarArray pairs;
  int count;
};

// At most 20 pairs in one buffer; a 21st overwrites the 20th.
class BufferDict : public StrDict {
 public:
  static const int kMaxPairs = 20;
  BufferDict() : count(0) {}
  const StrPtr* LookupVar(const StrPtr& name) const override;
  void StoreVar(const StrPtr& name, const StrPtr& value) override;
  // Removes the pair only when it is the last one.
  void DropVar(const StrPtr& name) override;
  bool VarAt(int i, StrPtr* name, StrPtr* value) const override;
  void DropAll() override { count = 0; buf.Clear(); }
  int Count() const override { return count; }

 private:
  struct Desc { uint32_t nameOff, nameLen, valueOff, valueLen; };
  int count;
  Desc descs[kMaxPairs];
  StrBuf buf;
  mutable StrPtr answer;
};

#endif  // ZT_SUPPORT_TEXT_STR_DICT_H_
