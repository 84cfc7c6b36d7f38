// Arena block management.
#include "support/arena.h"

#include <new>

Arena::~Arena() {
  while (blocks_) {
    Block* next = blocks_->next;
    ::operator delete(blocks_);
    blocks_ = next;
  }
}

char* Arena::NewBlock(size_t bytes) {
  size_t total = sizeof(Block) + bytes;
  Block* block = static_cast<Block*>(::operator new(total));
  block->next = blocks_;
  blocks_ = block;
  bytesReserved_ += total;
  return reinterpret_cast<char*>(block) + sizeof(Block);
}

void* Arena::AllocateSlow(size_t bytes) {
  bytesUsed_ += bytes;
  // A large piece gets a block of its own, so the current block's
  // remainder is not wasted. The blocks grow all the same: an arena made
  // with a first block the size of one piece does not take a block per
  // piece from then on.
  if (bytes > blockSize_ / 4) {
    if (blockSize_ < kBlockSize) blockSize_ *= 2;
    return NewBlock(bytes);
  }
  ptr_ = NewBlock(blockSize_);
  remaining_ = blockSize_ - bytes;
  if (blockSize_ < kBlockSize) blockSize_ *= 2;
  char* p = ptr_;
  ptr_ += bytes;
  return p;
}
