// Memory running out on a thread the program started: the thread ends
// without ending the process, and the failure reaches the thread waiting
// on it, as std::bad_alloc, after what was handed over before it, and
// never as an end of the data: from the read-ahead source, the
// write-behind sink and the block deflater.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>

#include "support/files/block_deflater.h"
#include "support/files/byte_test_util.h"
#include "support/files/posix/os_file.h"
#include "support/files/read_ahead_source.h"
#include "support/files/write_behind_sink.h"
#include "test_util.h"

namespace {

// A source giving data, then running out of memory.
class ExhaustedSource : public ByteSource {
 public:
  explicit ExhaustedSource(std::string data) : data_(std::move(data)) {}
  int Read(char* buf, int len, Error*) override {
    if (at_ == data_.size()) throw std::bad_alloc();
    size_t n = std::min(static_cast<size_t>(len), data_.size() - at_);
    data_.copy(buf, n, at_);
    at_ += n;
    return static_cast<int>(n);
  }

 private:
  std::string data_;
  size_t at_ = 0;
};

// A sink taking up to limit bytes, then running out of memory.
class ExhaustedSink : public ByteSink {
 public:
  explicit ExhaustedSink(size_t limit) : limit_(limit) {}
  bool Write(const char*, int len, Error*) override {
    if (taken_ + len > limit_) throw std::bad_alloc();
    taken_ += len;
    return true;
  }
  bool Finish(Error*) override { return true; }

 private:
  size_t limit_;
  size_t taken_ = 0;
};

TEST(OutOfMemoryThreadTest, TheThreadEndsAndItsReceiverIsCalled) {
  std::atomic<int> received{0};
  std::atomic<int> ran{0};
  std::thread t = OsStartThread(
      [&] {
        ++ran;
        throw std::bad_alloc();
      },
      [&] { ++received; });
  t.join();
  EXPECT_EQ(ran.load(), 1);
  EXPECT_EQ(received.load(), 1);
  // A body that ends normally never calls it.
  OsStartThread([] {}, [&] { ++received; }).join();
  EXPECT_EQ(received.load(), 1);
}

TEST(OutOfMemoryThreadTest, ReadAheadHandsOverTheBytesBeforeTheFailure) {
  // Failures at a block boundary, inside a block and before any byte.
  for (size_t size : {size_t{0}, size_t{1000}, size_t{65536}, size_t{3 * 65536 + 17}}) {
    std::string data = testutil::PseudoText(size, 5, 53, 17);
    ReadAheadSource s(std::make_unique<ExhaustedSource>(data), 3, 65536);
    std::string got, buf(4096, '\0');
    Error e;
    bool thrown = false;
    try {
      int n;
      while ((n = s.Read(buf.data(), 4096, &e)) > 0) got.append(buf.data(), n);
    } catch (const std::bad_alloc&) {
      thrown = true;
    }
    EXPECT_TRUE(thrown) << size << " bytes: the end was taken for the end of the data";
    // The blocks read whole before it, in order; the block being read when
    // memory ran out goes with the run.
    EXPECT_EQ(got.size(), size / 65536 * 65536) << size << " bytes";
    EXPECT_TRUE(data.compare(0, got.size(), got) == 0) << size << " bytes: other bytes handed over";
    EXPECT_FALSE(e.Test()) << e.Text();
  }
}

TEST(OutOfMemoryThreadTest, WriteBehindThrowsAtTheNextWaitOrFinish) {
  // The thread fails on its first block and on a later one; the caller
  // learns it while writing (waiting for a free block) or at the latest at
  // Finish, never hangs, and the sink can still be destroyed.
  for (size_t limit : {size_t{0}, size_t{3 * 4096}}) {
    auto sink = std::make_unique<WriteBehindSink>(std::make_unique<ExhaustedSink>(limit), 2, 4096);
    std::string data(64 * 4096, 'a');
    Error e;
    bool thrown = false;
    try {
      for (size_t at = 0; at < data.size(); at += 1000)
        sink->Write(data.data() + at, static_cast<int>(std::min<size_t>(1000, data.size() - at)), &e);
      sink->Finish(&e);
    } catch (const std::bad_alloc&) {
      thrown = true;
    }
    EXPECT_TRUE(thrown) << "limit " << limit;
    sink.reset();
  }
}

TEST(OutOfMemoryThreadTest, DeflaterThrowsInsteadOfWaitingForever) {
  const int kBlock = BlockDeflater::kBlockSize;
  std::string data = testutil::PseudoText(6 * kBlock, 7, 61, 9);
  for (int threads : {1, 3}) {
    int calls = 0;
    BlockDeflater d(threads, 1, [&calls](const char*, int, Error*) -> bool {
      if (++calls == 3) throw std::bad_alloc();
      return true;
    });
    Error e;
    bool thrown = false;
    try {
      for (size_t at = 0; at < data.size(); at += 65536) d.Write(data.data() + at, 65536, &e);
      d.Finish(&e);
    } catch (const std::bad_alloc&) {
      thrown = true;
    }
    EXPECT_TRUE(thrown) << threads << " threads";
  }
}

}  // namespace
