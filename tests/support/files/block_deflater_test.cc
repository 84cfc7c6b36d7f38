// The block deflater: one gzip member whatever the thread count and the cut
// of the writes, blocks primed with the data before them, and a failing
// sink that stops the stream without hanging the writer.
#include "support/files/block_deflater.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "support/files/files_messages.h"
#include "support/files/gzip_test_util.h"
#include "test_util.h"

namespace {

const int kBlock = BlockDeflater::kBlockSize;

// Deflates data at level 1 (quick), cut into writes of piece bytes; the
// member goes to *out.
bool Deflate(const std::string& data, int threads, size_t piece, std::string* out, Error* e) {
  BlockDeflater d(threads, 1, [out](const char* p, int n, Error*) {
    out->append(p, n);
    return true;
  });
  for (size_t at = 0; at < data.size(); at += piece)
    if (!d.Write(data.data() + at, static_cast<int>(std::min(piece, data.size() - at)), e))
      return false;
  return d.Finish(e);
}

TEST(BlockDeflaterTest, EveryBlockBoundaryRoundTripsToTheSameBytes) {
  std::string base = testutil::PseudoText(2 * kBlock + 5000, 7, 61, 9);
  for (size_t size : {size_t{0}, size_t{1}, size_t(kBlock - 1), size_t(kBlock),
                      size_t(kBlock + 1), base.size()}) {
    std::string data = base.substr(0, size);
    std::string want = testutil::BlockGzipOf(data, 1);
    for (int threads : {1, 3}) {
      std::string got;
      Error e;
      ASSERT_TRUE(Deflate(data, threads, 65536, &got, &e)) << e.Text();
      EXPECT_TRUE(got == want) << size << " bytes on " << threads << " threads";
      bool ok = false;
      EXPECT_TRUE(testutil::Gunzip(got, &ok) == data) << size << " bytes";
      EXPECT_TRUE(ok) << size << " bytes: not one whole member";
    }
  }
}

TEST(BlockDeflaterTest, EmptyStreamIsAWholeMember) {
  std::string got;
  Error e;
  ASSERT_TRUE(Deflate("", 2, 1, &got, &e));
  EXPECT_TRUE(got == testutil::BlockGzipOf("", 1));
  EXPECT_EQ(got.substr(got.size() - 8), std::string(8, '\0'));
}

TEST(BlockDeflaterTest, LaterBlocksUseTheDataBeforeThemAsDictionary) {
  // A 16 KiB incompressible run repeated across every block boundary: with
  // the dictionary each block after the first compresses it to almost
  // nothing, as one long stream would.
  std::string run;
  for (uint32_t x = 12345; run.size() < 16384;) {
    x = x * 1103515245u + 12345u;
    run += static_cast<char>(x >> 23);
  }
  std::string data;
  while (data.size() < 3 * static_cast<size_t>(kBlock)) data += run;
  std::string got;
  Error e;
  ASSERT_TRUE(Deflate(data, 2, 1 << 20, &got, &e)) << e.Text();
  // Within a little of one long stream; blocks without the dictionary
  // would pay for the run once per block.
  EXPECT_LT(got.size(), testutil::GzipOf(data, 1).size() + 1024);
  bool ok = false;
  EXPECT_TRUE(testutil::Gunzip(got, &ok) == data);
  EXPECT_TRUE(ok);
}

TEST(BlockDeflaterTest, FailingSinkStopsTheStreamAndReportsOnce) {
  std::string data = testutil::PseudoText(6 * kBlock, 3, 40, 5);
  for (int threads : {1, 2}) {
    for (int failAt : {1, 3}) {  // the header, a block in the middle
      std::atomic<int> calls{0};
      BlockDeflater d(threads, 1, [&calls, failAt](const char*, int, Error* e) {
        if (++calls < failAt) return true;
        e->Set(kMsgDeflateFailed);
        return false;
      });
      Error e;
      bool writes = true;
      for (size_t at = 0; at < data.size() && writes; at += 100000)
        writes = d.Write(data.data() + at, static_cast<int>(std::min<size_t>(100000, data.size() - at)), &e);
      bool finished = d.Finish(&e);
      EXPECT_FALSE(writes && finished) << threads << " threads, failure at call " << failAt;
      EXPECT_NE(e.Text().find("Deflate failed!"), std::string::npos) << e.Text();
      // Handed over once: a later call fails without repeating it.
      Error again;
      EXPECT_FALSE(d.Write("x", 1, &again));
      EXPECT_FALSE(again.Test());
      EXPECT_EQ(calls.load(), failAt) << "the sink was called after it failed";
    }
  }
}

TEST(BlockDeflaterTest, AbandonedStreamStopsWithoutWriting) {
  std::string data = testutil::PseudoText(5 * kBlock, 3, 40, 5);
  std::atomic<int64_t> written{0};
  {
    BlockDeflater d(2, 1, [&written](const char*, int n, Error*) {
      written += n;
      return true;
    });
    Error e;
    ASSERT_TRUE(d.Write(data.data(), static_cast<int>(data.size()), &e));
  }  // destroyed unfinished: no trailer, and no wait for one
  std::string whole;
  Error e;
  ASSERT_TRUE(Deflate(data, 2, 1 << 20, &whole, &e));
  EXPECT_LT(written.load(), static_cast<int64_t>(whole.size()));
}

}  // namespace
