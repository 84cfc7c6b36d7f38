// VarArray: a growable array of pointers. The pointer array is owned; the
// pointed-to elements are not. StrVarArray is an array of StrBufs that it
// owns (every line of a translation map, the names of a directory listing).
#ifndef ZT_SUPPORT_TEXT_VAR_ARRAY_H_
#define ZT_SUPPORT_TEXT_VAR_ARRAY_H_

#include "support/text/strbuf.h"

class VarArray {
 public:
  VarArray() : maxElems(0), numElems(0), elems(nullptr) {}
  VarArray(const VarArray&) = delete;
  VarArray& operator=(const VarArray&) = delete;
  ~VarArray();

  // Returns the slot for a new element, growing the array when full.
  void** New();
  // Appends a pointer.
  void Put(void* p) { *New() = p; }
  // Grows the capacity without taking a slot.
  void Extend();
  // The i-th element, or null when i is out of range.
  void* Get(int i) const { return (i >= 0 && i < numElems) ? elems[i] : nullptr; }
  void Set(int i, void* p) { if (i >= 0 && i < numElems) elems[i] = p; }
  int Count() const { return numElems; }
  int Capacity() const { return maxElems; }
  // Forgets every element (storage kept).
  void Clear() { numElems = 0; }
  // Drops the last n elements.
  void SetCount(int n) { if (n >= 0 && n <= numElems) numElems = n; }

 private:
  int maxElems;
  int numElems;
  void** elems;
};

// A VarArray with virtual compare and destroy operations.
class VVarArray : public VarArray {
 public:
  virtual ~VVarArray() {}
  virtual int Compare(const void* a, const void* b) const = 0;
  virtual void Destroy(void* a) const = 0;
};

// An array of owned StrBufs.
class StrVarArray : public VVarArray {
 public:
  StrVarArray() : caseSensitive(0) {}
  ~StrVarArray() override;

  int Compare(const void* a, const void* b) const override;
  void Destroy(void*) const override {}

  // Appends a new empty StrBuf and returns it.
  StrBuf* Append();
  // Appends a copy of s.
  StrBuf* Append(const StrPtr& s);
  // Replaces the content by copies of another array's strings.
  void Copy(const StrVarArray& other);
  // Frees every element; the pointer array is kept.
  void ClearStrings();

  StrBuf* At(int i) const { return static_cast<StrBuf*>(Get(i)); }
  void SetCaseSensitive(bool on) { caseSensitive = on ? 1 : 0; }

 private:
  int caseSensitive;
};

#endif  // ZT_SUPPORT_TEXT_VAR_ARRAY_H_
