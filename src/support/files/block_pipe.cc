#include "support/files/block_pipe.h"

BlockPipe::BlockPipe(int blocks, int blockSize) : blockSize_(blockSize) {
  MutexLock lock(&mutex_);
  for (int i = 0; i < blocks; ++i) {
    storage_.emplace_back(new char[blockSize]);
    free_.push_back(storage_.back().get());
  }
}

BlockPipe::~BlockPipe() = default;

char* BlockPipe::Acquire() {
  MutexLock lock(&mutex_);
  while (!closed_ && free_.empty()) changed_.Wait(&mutex_);
  if (closed_) return nullptr;
  char* block = free_.back();
  free_.pop_back();
  return block;
}

void BlockPipe::Submit(char* block, int n, bool last) {
  {
    MutexLock lock(&mutex_);
    queued_.push_back(Queued{block, n, last});
  }
  changed_.SignalAll();
}

bool BlockPipe::Take(char** block, int* n, bool* last) {
  MutexLock lock(&mutex_);
  while (!closed_ && queued_.empty()) changed_.Wait(&mutex_);
  if (queued_.empty()) return false;
  *block = queued_.front().block;
  *n = queued_.front().n;
  *last = queued_.front().last;
  queued_.pop_front();
  return true;
}

void BlockPipe::Release(char* block) {
  {
    MutexLock lock(&mutex_);
    free_.push_back(block);
  }
  changed_.SignalAll();
}

void BlockPipe::Close() {
  {
    MutexLock lock(&mutex_);
    closed_ = true;
  }
  changed_.SignalAll();
}
