// SmallArray growth and its optional trace on standard output.
#include "migrate/small_array.h"

#include <cstdio>
#include <cstring>

#include "support/messages/debug.h"

SmallArray::~SmallArray() {
  if (GetLevel(kDebugRecords) >= 1) printf("~SmallArray %d/%d\n", count, capacity);
  delete[] items;
}

void SmallArray::Extend() {
  int32_t newCapacity = NextCapacity(capacity);
  void** slots = new void*[newCapacity];
  if (count > 0) memcpy(slots, items, sizeof(void*) * count);
  delete[] items;
  items = slots;
  capacity = newCapacity;
  if (GetLevel(kDebugRecords) > 1) printf("SmallArray extend %d\n", newCapacity);
}
