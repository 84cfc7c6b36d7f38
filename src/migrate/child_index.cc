// The hashed child index of large path tree directories.
#include "migrate/child_index.h"

#include <cstring>

#include "migrate/dir_entry.h"

namespace {

const size_t kFirstSlots = 64;

// A hash of a name: eight bytes at a time, each mixed in by a multiply.
inline uint64_t NameHash(const char* p, uint32_t n) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  uint64_t h = (n + 1) * kMul;
  auto mix = [&](uint64_t w) {
    h = (h ^ w) * kMul;
    h ^= h >> 29;
  };
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    memcpy(&w, p + i, 8);
    mix(w);
  }
  if (i < n) {
    uint64_t w = 0;
    if (n >= 8) {
      memcpy(&w, p + n - 8, 8);  // the last eight, overlapping the bytes mixed
    } else {
      for (uint32_t k = i; k < n; ++k) w = (w << 8) | static_cast<unsigned char>(p[k]);
    }
    mix(w);
  }
  return h ^ (h >> 32);
}

}  // namespace

DirEntry* ChildIndex::Find(const char* key, uint32_t n) const {
  if (slots_.empty()) return nullptr;
  const size_t mask = slots_.size() - 1;
  for (size_t i = NameHash(key, n) & mask;; i = (i + 1) & mask) {
    DirEntry* child = slots_[i];
    if (!child) return nullptr;
    StrPtr name = child->Name();
    if (name.Length() == n && CommonPrefixLength(name.Text(), key, n) == n) return child;
  }
}

void ChildIndex::Add(DirEntry* child) {
  if ((count_ + 1) * 4 > slots_.size() * 3) {
    std::vector<DirEntry*> old(slots_.size() ? 2 * slots_.size() : kFirstSlots, nullptr);
    old.swap(slots_);
    for (DirEntry* moved : old)
      if (moved) Place(moved);
  }
  Place(child);
  ++count_;
}

void ChildIndex::Place(DirEntry* child) {
  const size_t mask = slots_.size() - 1;
  StrPtr name = child->Name();
  size_t i = NameHash(name.Text(), name.Length()) & mask;
  while (slots_[i]) i = (i + 1) & mask;
  slots_[i] = child;
}
