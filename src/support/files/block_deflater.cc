#include "support/files/block_deflater.h"

#include <string.h>
#include <zlib.h>

#include <new>

#include "support/files/files_messages.h"
#include "support/files/posix/os_file.h"
#include "support/out_of_memory.h"

namespace {

const unsigned char kGzipHeader[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};

}  // namespace

BlockDeflater::BlockDeflater(int threads, int level, Sink sink)
    : level_(level), sink_(std::move(sink)) {
  if (threads < 1) threads = 1;
  // One block being filled, one per thread being deflated, and as many
  // again waiting to be written or deflated, so no thread waits on the
  // caller while the caller is quick.
  const int slots = 2 * threads + 1;
  const int outSize = static_cast<int>(deflateBound(nullptr, kBlockSize)) + 64;
  slots_.resize(slots);
  for (Slot& s : slots_) {
    s.in.reset(new char[kWindow + kBlockSize]);
    s.out.reset(new char[outSize]);
    s.outSize = outSize;
  }
  threads_.reserve(threads);
  try {
    for (int i = 0; i < threads; ++i) {
      threads_.push_back(OsStartThread([this] { WorkLoop(); },
                                       [this] {
                                         {
                                           MutexLock lock(&mutex_);
                                           outOfMemory_ = true;
                                         }
                                         changed_.SignalAll();
                                       }));
    }
  } catch (const std::bad_alloc&) {
    // No room for one more thread: those started end before their
    // deflater goes.
    StopThreads();
    throw;
  }
}

BlockDeflater::~BlockDeflater() { StopThreads(); }

void BlockDeflater::StopThreads() {
  {
    MutexLock lock(&mutex_);
    stopping_ = true;
  }
  changed_.SignalAll();
  for (std::thread& t : threads_) t.join();
}

void BlockDeflater::NextSlot() {
  Slot* prev = fillSeq_ > 0 ? &slots_[(fillSeq_ - 1) % slots_.size()] : nullptr;
  Slot* s = &slots_[fillSeq_ % slots_.size()];
  {
    MutexLock lock(&mutex_);
    while (s->state != kFree && !outOfMemory_) changed_.Wait(&mutex_);
    if (outOfMemory_) ThrowOutOfMemory();
    s->state = kFilling;
  }
  // The dictionary is the end of the data before the block. The previous
  // slot is not refilled before this one is queued, and the threads only
  // read its input.
  s->dict = 0;
  if (prev) {
    int fromData = prev->n < kWindow ? prev->n : kWindow;
    int fromDict = kWindow - fromData;
    if (fromDict > prev->dict) fromDict = prev->dict;
    s->dict = fromDict + fromData;
    memcpy(s->in.get() + kWindow - s->dict, prev->in.get() + kWindow - fromDict, fromDict);
    memcpy(s->in.get() + kWindow - fromData, prev->in.get() + kWindow + prev->n - fromData,
           fromData);
  }
  s->n = 0;
  s->last = false;
  filling_ = s;
}

void BlockDeflater::SubmitFilling(bool last) {
  filling_->last = last;
  {
    MutexLock lock(&mutex_);
    filling_->state = kQueued;
    queuedEnd_ = fillSeq_ + 1;
  }
  changed_.SignalAll();
  ++fillSeq_;
  filling_ = nullptr;
}

bool BlockDeflater::Write(const char* p, int n, Error* e) {
  {
    MutexLock lock(&mutex_);
    if (outOfMemory_) ThrowOutOfMemory();
    if (failed_ || finished_) {
      TakeError(e);
      return false;
    }
  }
  while (n > 0) {
    if (!filling_) NextSlot();
    int k = kBlockSize - filling_->n;
    if (k > n) k = n;
    memcpy(filling_->in.get() + kWindow + filling_->n, p, k);
    filling_->n += k;
    length_ += k;
    p += k;
    n -= k;
    if (filling_->n == kBlockSize) SubmitFilling(false);
  }
  return true;
}

bool BlockDeflater::Finish(Error* e) {
  {
    MutexLock lock(&mutex_);
    if (finished_) {
      TakeError(e);
      return !failed_;
    }
  }
  // The last block may be empty: it then only ends the stream.
  if (!filling_) NextSlot();
  SubmitFilling(true);
  MutexLock lock(&mutex_);
  while (!finished_ && !outOfMemory_) changed_.Wait(&mutex_);
  if (outOfMemory_) ThrowOutOfMemory();
  TakeError(e);
  return !failed_;
}

void BlockDeflater::WorkLoop() {
  z_stream zs;
  memset(&zs, 0, sizeof(zs));
  bool started = deflateInit2(&zs, level_, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  // The stream's memory goes with the thread, also when the thread ends by
  // running out of memory while writing a block.
  struct StreamEnd {
    z_stream* zs;
    bool started;
    ~StreamEnd() {
      if (started) deflateEnd(zs);
    }
  } streamEnd{&zs, started};
  mutex_.Lock();
  for (;;) {
    while (!stopping_ && nextTake_ >= queuedEnd_) changed_.Wait(&mutex_);
    if (stopping_) break;
    Slot* s = &slots_[nextTake_ % slots_.size()];
    ++nextTake_;
    // After a failure the blocks are only passed on, so the caller never
    // waits for one.
    bool skip = failed_;
    mutex_.Unlock();
    Error e;
    bool ok = true;
    if (!skip) {
      if (started) {
        ok = DeflateSlot(&zs, s, &e);
      } else {
        e.Set(kMsgDeflateInitFailed);
        ok = false;
      }
    }
    mutex_.Lock();
    if (!ok) Fail(&e);
    s->state = kDeflated;
    WriteReady();
  }
  mutex_.Unlock();
}

bool BlockDeflater::DeflateSlot(void* stream, Slot* s, Error* e) {
  z_stream* zs = static_cast<z_stream*>(stream);
  Bytef* data = reinterpret_cast<Bytef*>(s->in.get() + kWindow);
  if (deflateReset(zs) != Z_OK ||
      (s->dict > 0 && deflateSetDictionary(zs, data - s->dict, s->dict) != Z_OK)) {
    e->Set(kMsgDeflateFailed);
    return false;
  }
  zs->next_in = data;
  zs->avail_in = static_cast<uInt>(s->n);
  zs->next_out = reinterpret_cast<Bytef*>(s->out.get());
  zs->avail_out = static_cast<uInt>(s->outSize);
  int rc = deflate(zs, s->last ? Z_FINISH : Z_SYNC_FLUSH);
  // The room is deflate's bound for a whole block, so one call completes it.
  bool done = s->last ? rc == Z_STREAM_END : rc == Z_OK && zs->avail_out > 0;
  if (!done || zs->avail_in != 0) {
    e->Set(kMsgDeflateFailed);
    return false;
  }
  s->outLen = s->outSize - static_cast<int>(zs->avail_out);
  s->crc = static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(s->n)));
  return true;
}

void BlockDeflater::WriteReady() {
  while (!writing_ && nextWrite_ < queuedEnd_) {
    Slot* s = &slots_[nextWrite_ % slots_.size()];
    if (s->state != kDeflated) return;
    writing_ = true;
    bool skip = failed_ || stopping_;
    mutex_.Unlock();
    Error e;
    bool ok = true;
    if (!skip) {
      if (!headerDone_) {
        ok = sink_(reinterpret_cast<const char*>(kGzipHeader), sizeof(kGzipHeader), &e);
        headerDone_ = true;
      }
      if (ok && s->outLen > 0) ok = sink_(s->out.get(), s->outLen, &e);
      if (ok) {
        crc_ = static_cast<uint32_t>(crc32_combine(crc_, s->crc, s->n));
        written_ += static_cast<uint64_t>(s->n);
      }
      if (ok && s->last) {
        unsigned char trailer[8];
        uint32_t size = static_cast<uint32_t>(written_);
        for (int i = 0; i < 4; ++i) {
          trailer[i] = static_cast<unsigned char>(crc_ >> (8 * i));
          trailer[4 + i] = static_cast<unsigned char>(size >> (8 * i));
        }
        ok = sink_(reinterpret_cast<const char*>(trailer), 8, &e);
      }
    }
    mutex_.Lock();
    if (!ok) Fail(&e);
    if (s->last) finished_ = true;
    s->state = kFree;
    ++nextWrite_;
    writing_ = false;
    changed_.SignalAll();
  }
}

void BlockDeflater::Fail(Error* from) {
  if (failed_) return;
  failed_ = true;
  // The threads hold the lock here by hand: running out of memory must not
  // leave it held, so it is kept for the caller to throw on instead.
  try {
    error_.Merge(*from);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
}

void BlockDeflater::TakeError(Error* e) {
  if (!failed_ || errorTaken_) return;
  errorTaken_ = true;
  e->Merge(error_);
}
