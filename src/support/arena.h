// Arena: a bump allocator for objects that all die together.
//
// The arena owns large blocks and hands out 8-byte aligned pieces of them;
// nothing is freed before the arena itself, which frees every block. It
// runs no destructors: objects placed in it must need none (or have them
// run by their owner). The path tree keeps its entries and name variants
// here, which saves the per-allocation header and rounding of the heap on
// every one of millions of small objects. An arena made with a small first
// block doubles its blocks up to the usual size, so that many small arenas
// (one per map partition) do not each reserve a large block. An arena of
// huge pages (the path tree's) takes blocks of 2 MB aligned to it and
// offers them to the system as huge pages: a tree of millions of entries
// then takes one page fault per block, not five hundred.
#ifndef ZT_SUPPORT_ARENA_H_
#define ZT_SUPPORT_ARENA_H_

#include <cstddef>
#include <cstdint>

class Arena {
 public:
  // The blocks of a full size: of 1 MB from the heap, or of a huge page.
  enum class Pages { kSmall, kHuge };

  Arena() : Arena(kBlockSize) {}
  // An arena whose first block holds firstBlock bytes (at most the full
  // size of its pages).
  explicit Arena(size_t firstBlock, Pages pages = Pages::kSmall)
      : ptr_(nullptr), remaining_(0), blocks_(nullptr), bytesReserved_(0), bytesUsed_(0),
        fullSize_(pages == Pages::kHuge ? kHugeBlockSize : kBlockSize),
        blockSize_(firstBlock < fullSize_ ? firstBlock : fullSize_),
        huge_(pages == Pages::kHuge) {}
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  // Frees every block.
  ~Arena();

  // Returns bytes bytes, 8-byte aligned, valid until the arena dies.
  void* Allocate(size_t bytes) {
    bytes = (bytes + 7) & ~static_cast<size_t>(7);
    if (bytes > remaining_) return AllocateSlow(bytes);
    void* p = ptr_;
    ptr_ += bytes;
    remaining_ -= bytes;
    bytesUsed_ += bytes;
    return p;
  }

  // Bytes taken from the system (blocks and their headers).
  size_t BytesReserved() const { return bytesReserved_; }
  // Bytes handed out.
  size_t BytesUsed() const { return bytesUsed_; }

 private:
  static constexpr size_t kBlockSize = 1 << 20;
  // A huge page of the processor.
  static constexpr size_t kHugeBlockSize = 2 << 20;

  struct Block {
    Block* next;
    bool huge;  // of kHugeBlockSize, aligned to it
  };

  void* AllocateSlow(size_t bytes);
  // Doubles the size of the next block, up to the full size.
  void Grow();
  // Chains memory of total bytes (a huge block or not) for freeing;
  // returns its first usable byte.
  char* Chain(void* memory, size_t total, bool huge);
  // A new block of at least bytes usable bytes, chained for freeing.
  char* NewBlock(size_t bytes);
  // A new block of kHugeBlockSize bytes, its header included, chained for
  // freeing; returns its first usable byte.
  char* NewHugeBlock();

  char* ptr_;
  size_t remaining_;
  Block* blocks_;
  size_t bytesReserved_;
  size_t bytesUsed_;
  size_t fullSize_;   // the largest block size
  size_t blockSize_;  // the size of the next block
  bool huge_;         // full blocks are huge pages
};

#endif  // ZT_SUPPORT_ARENA_H_
