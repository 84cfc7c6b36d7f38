#include "support/files/block_pipe.h"

BlockPipe::BlockPipe(int blocks, int blockSize) : blockSize_(blockSize) {
  for (int i = 0; i < blocks; ++i) {
    storage_.emplace_back(new char[blockSize]);
    free_.push_back(storage_.back().get());
  }
}

BlockPipe::~BlockPipe() = default;

char* BlockPipe::Acquire() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return closed_ || !free_.empty(); });
  if (closed_) return nullptr;
  char* block = free_.back();
  free_.pop_back();
  return block;
}

void BlockPipe::Submit(char* block, int n, bool last) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.push_back(Queued{block, n, last});
  }
  changed_.notify_all();
}

bool BlockPipe::Take(char** block, int* n, bool* last) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return closed_ || !queued_.empty(); });
  if (queued_.empty()) return false;
  *block = queued_.front().block;
  *n = queued_.front().n;
  *last = queued_.front().last;
  queued_.pop_front();
  return true;
}

void BlockPipe::Release(char* block) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(block);
  }
  changed_.notify_all();
}

void BlockPipe::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}
