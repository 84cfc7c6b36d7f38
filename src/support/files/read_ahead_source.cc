#include "support/files/read_ahead_source.h"

#include <string.h>

#include "support/files/posix/os_file.h"
#include "support/out_of_memory.h"

ReadAheadSource::ReadAheadSource(std::unique_ptr<ByteSource> input, int blocks, int blockSize)
    : input_(std::move(input)), pipe_(blocks, blockSize) {
  reader_ = OsStartThread([this] { FillBlocks(); },
                          [this] {
                            outOfMemory_.store(true);
                            pipe_.Close();
                          });
}

ReadAheadSource::~ReadAheadSource() {
  // Closing the pipe ends the thread at its next block; a failure not yet
  // read is of no interest.
  pipe_.Close();
  reader_.join();
}

void ReadAheadSource::FillBlocks() {
  const int size = pipe_.BlockSize();
  for (;;) {
    char* block = pipe_.Acquire();
    if (!block) return;  // the caller has gone
    int got = 0;
    bool last = false;
    while (got < size) {
      int n = input_->Read(block + got, size - got, &failure_);
      if (n <= 0) {
        failed_ = n < 0;
        last = true;
        break;
      }
      got += n;
    }
    pipe_.Submit(block, got, last);
    if (last) return;
  }
}

int ReadAheadSource::Available(Error* e) {
  for (;;) {
    if (block_ && blockPos_ < blockLen_) return blockLen_ - blockPos_;
    if (block_) {
      if (blockIsLast_) {
        // Every byte before the end or the failure has been read.
        if (!failed_) return 0;
        HandOverFailure(&failure_, e);
        return -1;
      }
      pipe_.Release(block_);
      block_ = nullptr;
    }
    if (!pipe_.Take(&block_, &blockLen_, &blockIsLast_)) {
      if (outOfMemory_.load()) ThrowOutOfMemory();
      return 0;
    }
    blockPos_ = 0;
  }
}

int ReadAheadSource::Read(char* buf, int len, Error* e) {
  int n = Available(e);
  if (n <= 0) return n;
  int k = n < len ? n : len;
  memcpy(buf, block_ + blockPos_, k);
  blockPos_ += k;
  return k;
}

int ReadAheadSource::Lend(const char** data, Error* e) {
  int n = Available(e);
  if (n <= 0) return n;
  *data = block_ + blockPos_;
  blockPos_ = blockLen_;
  return n;
}
