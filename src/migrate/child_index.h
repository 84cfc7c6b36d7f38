// ChildIndex: the children of one large directory of the path tree, hashed
// by name.
//
// A path tree entry keeps its children in a balanced tree ordered by name,
// which the walks need; finding one there costs a comparison per level, a
// dozen in a directory of thousands of files, for every path entered. Once
// a directory has many children the path tree files them here as well, so
// that finding one costs a hash of its name and a probe or two.
//
// The index holds pointers only, in open addressing with linear probing,
// never more than three quarters full; the entries belong to the path tree.
#ifndef ZT_MIGRATE_CHILD_INDEX_H_
#define ZT_MIGRATE_CHILD_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

class DirEntry;

class ChildIndex {
 public:
  // The child whose name is key (n bytes, lowered), or null.
  DirEntry* Find(const char* key, uint32_t n) const;
  // Files a child whose name the index does not hold yet.
  void Add(DirEntry* child);
  // Number of children filed.
  size_t Count() const { return count_; }
  // Bytes held by the slots.
  size_t Bytes() const { return slots_.capacity() * sizeof(DirEntry*); }

 private:
  // Puts child in the first free slot of its probe sequence.
  void Place(DirEntry* child);

  std::vector<DirEntry*> slots_;  // a power of two of them; null is free
  size_t count_ = 0;
};

#endif  // ZT_MIGRATE_CHILD_INDEX_H_
