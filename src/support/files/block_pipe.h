// BlockPipe: hands byte blocks from one thread (the producer) to another
// (the consumer) in order, with a fixed number of blocks in flight. The pipe
// owns the blocks; a side holds a block from Acquire to Submit (producer)
// or from Take to Release (consumer). Used by the read-ahead source and the
// write-behind sink, whose threads work while the caller goes on.
#ifndef ZT_SUPPORT_FILES_BLOCK_PIPE_H_
#define ZT_SUPPORT_FILES_BLOCK_PIPE_H_

#include <deque>
#include <memory>
#include <vector>

#include "support/mutex.h"

class BlockPipe {
 public:
  // blocks blocks of blockSize bytes each.
  BlockPipe(int blocks, int blockSize);
  BlockPipe(const BlockPipe&) = delete;
  BlockPipe& operator=(const BlockPipe&) = delete;
  ~BlockPipe();

  int BlockSize() const { return blockSize_; }
  int Blocks() const { return static_cast<int>(storage_.size()); }

  // Producer: a free block to fill; waits while every block is queued or
  // held. Null once the pipe is closed.
  char* Acquire();
  // Producer: queues a block holding n bytes; last marks the final block.
  void Submit(char* block, int n, bool last);

  // Consumer: the next queued block in submission order; waits while none
  // is queued. False once the pipe is closed and nothing is queued.
  bool Take(char** block, int* n, bool* last);
  // Consumer: returns a block for filling.
  void Release(char* block);

  // Wakes and refuses both sides from now on (a side stopping early).
  void Close();

 private:
  struct Queued {
    char* block;
    int n;
    bool last;
  };

  const int blockSize_;
  std::vector<std::unique_ptr<char[]>> storage_;
  Mutex mutex_;
  CondVar changed_;  // a block was queued or freed, or the pipe closed
  std::vector<char*> free_ GUARDED_BY(mutex_);
  std::deque<Queued> queued_ GUARDED_BY(mutex_);
  bool closed_ GUARDED_BY(mutex_) = false;
};

#endif  // ZT_SUPPORT_FILES_BLOCK_PIPE_H_
