// BlockDeflater: writes one gzip member made of independently deflated
// blocks. The stream is cut into blocks of kBlockSize bytes at fixed
// offsets; each block is deflated on its own, primed with the 32 KiB of
// data before it as dictionary, and ends on a byte boundary (a sync flush;
// the last block finishes the stream), so the blocks concatenate into one
// valid deflate stream. The CRC-32 of the member is combined from the
// blocks' own.
//
// The blocks are deflated by a number of threads and written through the
// sink in stream order. The bytes depend only on the data and the level,
// never on the thread count or on how the data was cut into writes.
#ifndef ZT_SUPPORT_FILES_BLOCK_DEFLATER_H_
#define ZT_SUPPORT_FILES_BLOCK_DEFLATER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "support/messages/error.h"
#include "support/mutex.h"

class BlockDeflater {
 public:
  // Writes n compressed bytes in stream order; false after setting e.
  using Sink = std::function<bool(const char* p, int n, Error* e)>;

  static constexpr int kBlockSize = 1 << 20;
  static constexpr int kWindow = 32 << 10;

  // threads deflating threads (at least 1); level is zlib's (-1 to 9).
  BlockDeflater(int threads, int level, Sink sink);
  // Stops the threads; a stream not finished is abandoned unwritten.
  ~BlockDeflater();
  BlockDeflater(const BlockDeflater&) = delete;
  BlockDeflater& operator=(const BlockDeflater&) = delete;

  // Appends data. False once the stream has failed; the failure is handed
  // to e once.
  bool Write(const char* p, int n, Error* e);
  // Deflates the rest, writes the trailer and waits until every byte has
  // gone through the sink. False after handing the failure to e.
  bool Finish(Error* e);

  // Bytes written so far (the member's uncompressed length).
  int64_t Length() const { return length_; }

 private:
  enum SlotState { kFree, kFilling, kQueued, kDeflated };
  struct Slot {
    std::unique_ptr<char[]> in;   // dictionary (kWindow) then data
    std::unique_ptr<char[]> out;
    int outSize = 0;
    int dict = 0;                 // dictionary bytes before the data
    int n = 0;                    // data bytes
    int outLen = 0;
    uint32_t crc = 0;
    bool last = false;
    SlotState state = kFree;      // guarded by mutex_
  };

  // Ends the deflating threads and waits for them.
  void StopThreads();
  // Waits for the next slot of the ring to be free and starts filling it,
  // with the end of the data before it as dictionary.
  void NextSlot();
  // Queues the slot being filled for the deflating threads.
  void SubmitFilling(bool last);
  // The deflating threads: take queued slots in order until stopped.
  void WorkLoop();
  // Deflates one slot with the thread's own stream; false on a failure.
  bool DeflateSlot(void* zs, Slot* s, Error* e);
  // With the lock held: writes every deflated slot that is next in order,
  // unless another thread is writing.
  void WriteReady() REQUIRES(mutex_);
  // Records the first failure.
  void Fail(Error* from) REQUIRES(mutex_);
  // Hands the failure over once.
  void TakeError(Error* e) REQUIRES(mutex_);

  const int level_;
  Sink sink_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  int64_t length_ = 0;

  // The caller's side.
  uint64_t fillSeq_ = 0;       // sequence number of the slot being filled
  Slot* filling_ = nullptr;

  Mutex mutex_;
  CondVar changed_;
  uint64_t nextTake_ GUARDED_BY(mutex_) = 0;   // next slot a deflating thread takes
  uint64_t queuedEnd_ GUARDED_BY(mutex_) = 0;  // slots below this are queued
  uint64_t nextWrite_ GUARDED_BY(mutex_) = 0;  // next slot to go through the sink
  bool writing_ GUARDED_BY(mutex_) = false;    // a thread is in the sink
  bool finished_ GUARDED_BY(mutex_) = false;   // the trailer has been written
  bool stopping_ GUARDED_BY(mutex_) = false;
  bool failed_ GUARDED_BY(mutex_) = false;
  // A deflating thread ran out of memory: the caller throws it on at its
  // next wait or write.
  bool outOfMemory_ GUARDED_BY(mutex_) = false;
  bool errorTaken_ GUARDED_BY(mutex_) = false;
  Error error_ GUARDED_BY(mutex_);

  // Only the thread that set writing_ touches these, outside the lock.
  bool headerDone_ = false;
  uint32_t crc_ = 0;
  uint64_t written_ = 0;       // uncompressed bytes through the sink
};

#endif  // ZT_SUPPORT_FILES_BLOCK_DEFLATER_H_
