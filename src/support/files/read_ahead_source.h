// ReadAheadSource: reads another source ahead of the caller on a thread of
// its own, in blocks handed over through a BlockPipe, so the reading (or
// decompressing) overlaps the caller's work. The caller sees the same
// bytes, end and failure as from the source itself; a failure is handed
// over once the bytes before it have been read. Running out of memory on
// the thread is thrown on to the caller (std::bad_alloc) after the blocks
// read whole before it. Destroying it stops the thread at its next block,
// wherever the caller is.
#ifndef ZT_SUPPORT_FILES_READ_AHEAD_SOURCE_H_
#define ZT_SUPPORT_FILES_READ_AHEAD_SOURCE_H_

#include <atomic>
#include <memory>
#include <thread>

#include "support/files/block_pipe.h"
#include "support/files/byte_source.h"

class ReadAheadSource : public ByteSource {
 public:
  // Up to blocks blocks of blockSize bytes are read ahead.
  ReadAheadSource(std::unique_ptr<ByteSource> input, int blocks, int blockSize);
  ~ReadAheadSource() override;

  int Read(char* buf, int len, Error* e) override;
  // As Read, without the copy: points *data at the bytes of the current
  // block not yet read (of the next block when it is used up), which stay
  // the source's until the next Read or Lend. The count, 0 at the end, -1
  // after a failure.
  int Lend(const char** data, Error* e);

 private:
  // The bytes left in the current block, taking the next one when it is
  // used up: their count, 0 at the end, -1 after a failure.
  int Available(Error* e);
  // The reading thread: fills blocks until the end or a failure.
  void FillBlocks();

  std::unique_ptr<ByteSource> input_;  // used only by the reading thread
  BlockPipe pipe_;
  // The caller's side: the block being read.
  char* block_ = nullptr;
  int blockPos_ = 0;
  int blockLen_ = 0;
  bool blockIsLast_ = false;
  // Set by the reading thread before it hands over its last block.
  bool failed_ = false;
  // Set when the reading thread ran out of memory, before it closed the
  // pipe: the caller throws the failure on once the bytes before it are read.
  std::atomic<bool> outOfMemory_{false};
  Error failure_;  // until handed over
  std::thread reader_;
};

#endif  // ZT_SUPPORT_FILES_READ_AHEAD_SOURCE_H_
