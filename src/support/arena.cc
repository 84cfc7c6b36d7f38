// Arena block management.
#include "support/arena.h"

#include <new>

#include "support/files/posix/os_file.h"

Arena::~Arena() {
  while (blocks_) {
    Block* next = blocks_->next;
    if (blocks_->huge) {
      ::operator delete(blocks_, std::align_val_t(kHugeBlockSize));
    } else {
      ::operator delete(blocks_);
    }
    blocks_ = next;
  }
}

char* Arena::Chain(void* memory, size_t total, bool huge) {
  Block* block = static_cast<Block*>(memory);
  block->next = blocks_;
  block->huge = huge;
  blocks_ = block;
  bytesReserved_ += total;
  return reinterpret_cast<char*>(block) + sizeof(Block);
}

char* Arena::NewBlock(size_t bytes) {
  size_t total = sizeof(Block) + bytes;
  return Chain(::operator new(total), total, false);
}

char* Arena::NewHugeBlock() {
  void* p = ::operator new(kHugeBlockSize, std::align_val_t(kHugeBlockSize));
  OsAdviseHugePages(p, kHugeBlockSize);
  return Chain(p, kHugeBlockSize, true);
}

void Arena::Grow() { blockSize_ = blockSize_ < fullSize_ / 2 ? blockSize_ * 2 : fullSize_; }

void* Arena::AllocateSlow(size_t bytes) {
  bytesUsed_ += bytes;
  // A large piece gets a block of its own, so the current block's
  // remainder is not wasted. The blocks grow all the same: an arena made
  // with a first block the size of one piece does not take a block per
  // piece from then on.
  if (bytes > blockSize_ / 4) {
    Grow();
    return NewBlock(bytes);
  }
  if (huge_ && blockSize_ == kHugeBlockSize) {
    ptr_ = NewHugeBlock();
    remaining_ = kHugeBlockSize - sizeof(Block) - bytes;
  } else {
    ptr_ = NewBlock(blockSize_);
    remaining_ = blockSize_ - bytes;
  }
  Grow();
  char* p = ptr_;
  ptr_ += bytes;
  return p;
}
