#include "support/files/write_behind_sink.h"

#include <string.h>

#include <vector>

#include "support/files/byte_source.h"
#include "support/files/posix/os_file.h"
#include "support/out_of_memory.h"

WriteBehindSink::WriteBehindSink(std::unique_ptr<ByteSink> output, int blocks, int blockSize)
    : output_(std::move(output)), pipe_(blocks, blockSize) {
  staging_ = pipe_.Acquire();
  writer_ = OsStartThread([this] { WriteBlocks(); },
                          [this] {
                            outOfMemory_.store(true);
                            pipe_.Close();
                          });
}

WriteBehindSink::~WriteBehindSink() {
  if (finished_) return;
  pipe_.Close();
  writer_.join();
}

void WriteBehindSink::WriteBlocks() {
  char* block;
  int n;
  bool last;
  while (pipe_.Take(&block, &n, &last)) {
    // After a failure the blocks are only returned, so the caller never
    // waits for one; the failure is reported from the caller's side.
    if (!failed_.load(std::memory_order_acquire) && !output_->Write(block, n, &failure_))
      failed_.store(true, std::memory_order_release);
    pipe_.Release(block);
    if (last) return;
  }
}

char* WriteBehindSink::FreeBlock() {
  char* block = pipe_.Acquire();
  if (!block) ThrowOutOfMemory();
  return block;
}

bool WriteBehindSink::CheckFailure(Error* e) {
  if (outOfMemory_.load()) ThrowOutOfMemory();
  if (!failed_.load(std::memory_order_acquire)) return true;
  HandOverFailure(&failure_, e);
  return false;
}

bool WriteBehindSink::Write(const char* p, int left, Error* e) {
  if (finished_ || !CheckFailure(e)) return false;
  const int size = pipe_.BlockSize();
  while (left > 0) {
    int k = size - stagingFill_;
    if (k > left) k = left;
    memcpy(staging_ + stagingFill_, p, k);
    stagingFill_ += k;
    p += k;
    left -= k;
    if (stagingFill_ == size) {
      pipe_.Submit(staging_, stagingFill_, false);
      staging_ = FreeBlock();
      stagingFill_ = 0;
    }
  }
  return true;
}

bool WriteBehindSink::Drain(Error* e) {
  if (finished_) return CheckFailure(e);
  // Hand the block being filled over, then take every block back: the
  // thread has then written all of them.
  pipe_.Submit(staging_, stagingFill_, false);
  std::vector<char*> held;
  for (int i = 0; i < pipe_.Blocks(); ++i) held.push_back(FreeBlock());
  for (int i = 1; i < pipe_.Blocks(); ++i) pipe_.Release(held[i]);
  staging_ = held[0];
  stagingFill_ = 0;
  return e ? CheckFailure(e) : true;
}

bool WriteBehindSink::Finish(Error* e) {
  if (finished_) return CheckFailure(e);
  pipe_.Submit(staging_, stagingFill_, true);
  staging_ = nullptr;
  stagingFill_ = 0;
  writer_.join();
  finished_ = true;
  return CheckFailure(e) && output_->Finish(e);
}
