// WriteBehindSink: writes to another sink behind the caller on a thread of
// its own. Writes are staged in blocks handed over through a BlockPipe, so
// the writing overlaps the caller's work; the output gets the same bytes
// in the same order. A failure of the writing thread comes back at the
// next write, Drain or Finish. The two threads share only the pipe, whose
// lock guards its queues, and failed_, whose release publishes failure_:
// the thread never touches failure_ after setting it, the caller never
// before seeing it set.
#ifndef ZT_SUPPORT_FILES_WRITE_BEHIND_SINK_H_
#define ZT_SUPPORT_FILES_WRITE_BEHIND_SINK_H_

#include <atomic>
#include <memory>
#include <thread>

#include "support/files/block_pipe.h"
#include "support/files/byte_sink.h"

class WriteBehindSink : public ByteSink {
 public:
  // Up to blocks blocks of blockSize bytes wait for the writing thread.
  WriteBehindSink(std::unique_ptr<ByteSink> output, int blocks, int blockSize);
  // Stops the thread after the blocks already handed over; the staged
  // bytes of a sink never finished are dropped.
  ~WriteBehindSink() override;

  bool Write(const char* buf, int len, Error* e) override;
  // Writes the staged bytes, waits for the thread and finishes the output.
  bool Finish(Error* e) override;
  // Waits until every byte written so far has reached the output, so it
  // may be looked at or moved; with e, false after handing over a failure
  // (without e the failure waits for the next call).
  bool Drain(Error* e);

 private:
  // The writing thread: writes the queued blocks until the last.
  void WriteBlocks();
  // Hands the thread's failure over (once); false when there is one.
  bool CheckFailure(Error* e);
  // A free block for the caller. The pipe closes under the caller only
  // when the thread ran out of memory: that failure is thrown on here.
  char* FreeBlock();

  std::unique_ptr<ByteSink> output_;  // used by the writing thread
  BlockPipe pipe_;
  char* staging_;  // the block being filled by writes
  int stagingFill_ = 0;
  bool finished_ = false;
  std::atomic<bool> failed_{false};
  Error failure_;  // set by the thread before failed_; until handed over
  std::atomic<bool> outOfMemory_{false};  // the thread ran out of memory
  std::thread writer_;
};

#endif  // ZT_SUPPORT_FILES_WRITE_BEHIND_SINK_H_
