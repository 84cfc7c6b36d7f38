// SmallArray: a growable array of pointers.
//
// The slot array is owned and freed by the SmallArray; the objects the slots
// point to are not. Growth doubles the capacity but never adds more than 128
// slots in one step (1, 2, 4, ..., 128, 256, 384, ...), so an array that
// grows large never wastes more than 128 slots. The path tree keeps extra
// name variants in SmallArrays and the tree iterator keeps its stack in one.
#ifndef ZT_MIGRATE_SMALL_ARRAY_H_
#define ZT_MIGRATE_SMALL_ARRAY_H_

#include <cstdint>

class SmallArray {
 public:
  SmallArray() : capacity(0), count(0), items(nullptr) {}
  SmallArray(const SmallArray&) = delete;
  SmallArray& operator=(const SmallArray&) = delete;
  // Frees the slot array only.
  ~SmallArray();

  // Returns a new last slot (holding null) for the caller to fill.
  void** Append() {
    if (count == capacity) Extend();
    items[count] = nullptr;
    return &items[count++];
  }
  // Appends p.
  void Push(void* p) { *Append() = p; }
  // Removes and returns the last pointer; null when empty.
  void* Pop() { return count > 0 ? items[--count] : nullptr; }
  // The last pointer, or null when empty.
  void* Top() const { return count > 0 ? items[count - 1] : nullptr; }
  // The i-th pointer; i must be in [0, Count()).
  void* Get(int32_t i) const { return items[i]; }
  int32_t Count() const { return count; }
  int32_t Capacity() const { return capacity; }
  // Forgets every pointer; the slot array is kept.
  void Clear() { count = 0; }

  // The capacity that follows old when an array of that capacity is full.
  static int32_t NextCapacity(int32_t old) {
    if (old == 0) return 1;
    return old < 128 ? old * 2 : old + 128;
  }

 private:
  // Grows the slot array to NextCapacity(capacity), copying the slots.
  void Extend();

  int32_t capacity;
  int32_t count;
  void** items;
};

#endif  // ZT_MIGRATE_SMALL_ARRAY_H_
