// Arena: a bump allocator for objects that all die together.
//
// The arena owns large blocks and hands out 8-byte aligned pieces of them;
// nothing is freed before the arena itself, which frees every block. It
// runs no destructors: objects placed in it must need none (or have them
// run by their owner). The path tree keeps its entries and name variants
// here, which saves the per-allocation header and rounding of the heap on
// every one of millions of small objects. An arena made with a small first
// block doubles its blocks up to the usual size, so that many small arenas
// (one per map partition) do not each reserve a large block. Blocks of the
// full size are aligned to it and offered to the system as huge pages:
// a tree of millions of entries then takes one page fault per block, not
// five hundred.
#ifndef ZT_SUPPORT_ARENA_H_
#define ZT_SUPPORT_ARENA_H_

#include <cstddef>
#include <cstdint>

class Arena {
 public:
  Arena() : Arena(kBlockSize) {}
  // An arena whose first block holds firstBlock bytes (at most the usual size).
  explicit Arena(size_t firstBlock)
      : ptr_(nullptr), remaining_(0), blocks_(nullptr), bytesReserved_(0), bytesUsed_(0),
        blockSize_(firstBlock < kBlockSize ? firstBlock : kBlockSize) {}
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
  // The full block size: a huge page of the processor.
  static constexpr size_t kBlockSize = 2 << 20;

  struct Block {
    Block* next;
    bool full;  // of kBlockSize, aligned to it
  };

  void* AllocateSlow(size_t bytes);
  // Doubles the size of the next block, up to the full size.
  void Grow();
  // A new block of at least bytes usable bytes, chained for freeing.
  char* NewBlock(size_t bytes);
  // A new block of kBlockSize bytes, its header included, chained for
  // freeing; returns its first usable byte.
  char* NewFullBlock();

  char* ptr_;
  size_t remaining_;
  Block* blocks_;
  size_t bytesReserved_;
  size_t bytesUsed_;
  size_t blockSize_;  // the size of the next block
};

#endif  // ZT_SUPPORT_ARENA_H_
