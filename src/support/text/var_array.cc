#include "support/text/var_array.h"

#include <cstdlib>

#include "support/messages/debug.h"
#include "support/out_of_memory.h"

VarArray::~VarArray() {
  if (GetLevel(kDebugRecords) >= 4 && elems) DebugPrintf("~VarArray %d/%d\n", numElems, maxElems);
  free(elems);
}

void VarArray::Extend() {
  // Capacity grows as 0, 75, 187, 355, ... The formula is evaluated in
  // 64 bits and capped so that it cannot overflow into a negative size.
  int64_t grown = (static_cast<int64_t>(maxElems) * 3 + 150) / 2;
  if (grown > 0x7FFFFFF0) grown = 0x7FFFFFF0;
  if (grown <= maxElems) abort();
  void** fresh = static_cast<void**>(malloc(sizeof(void*) * static_cast<size_t>(grown)));
  if (!fresh) ThrowOutOfMemory();
  if (elems) {
    memcpy(fresh, elems, sizeof(void*) * static_cast<size_t>(maxElems));
    free(elems);
  }
  elems = fresh;
  maxElems = static_cast<int>(grown);
  if (GetLevel(kDebugRecords) >= 5) DebugPrintf("VarArray extend %d\n", maxElems);
}

void** VarArray::New() {
  if (numElems >= maxElems) Extend();
  return &elems[numElems++];
}

StrVarArray::~StrVarArray() { ClearStrings(); }

int StrVarArray::Compare(const void* a, const void* b) const {
  const StrBuf* x = static_cast<const StrBuf*>(a);
  const StrBuf* y = static_cast<const StrBuf*>(b);
  if (caseSensitive) {
    int d = strcmp(x->Text(), y->Text());
    return d < 0 ? -1 : d > 0 ? 1 : 0;
  }
  return CompareFold(x->Text(), y->Text());
}

StrBuf* StrVarArray::Append() {
  StrBuf* s = new StrBuf;
  Put(s);
  return s;
}

StrBuf* StrVarArray::Append(const StrPtr& s) {
  StrBuf* b = Append();
  b->Set(s);
  return b;
}

void StrVarArray::Copy(const StrVarArray& other) {
  ClearStrings();
  for (int i = 0; i < other.Count(); ++i) Append(*other.At(i));
}

void StrVarArray::ClearStrings() {
  for (int i = 0; i < Count(); ++i) delete At(i);
  Clear();
}
