// The gzip sink: a failing output stops the member wherever it fails, the
// failure comes back once (at a write or at Finish) and the output is not
// finished after it.
#include "support/files/gzip_sink.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/files/byte_test_util.h"
#include "support/files/gzip_test_util.h"
#include "test_util.h"

namespace {

TEST(GzipSinkTest, AFailingOutputIsReportedOnceAndNotFinished) {
  std::string data = testutil::PseudoText(5000000, 3, 59, 19);
  std::string whole = testutil::BlockGzipOf(data);
  // In the header, amid the blocks, and in the trailer.
  for (size_t failAt : {size_t{4}, whole.size() / 2, whole.size() - 3}) {
    for (int threads : {1, 3}) {
      std::string out;
      int finishes = 0;
      GzipSink s(std::make_unique<testutil::StringSink>(&out, &finishes, failAt), threads, -1);
      Error e;
      for (size_t at = 0; at < data.size(); at += 100000)
        if (!s.Write(data.data() + at, 100000, &e)) break;
      EXPECT_FALSE(s.Finish(&e));
      EXPECT_EQ(e.Text(), testutil::MemoryFailure("write")) << failAt << ", " << threads << " threads";
      EXPECT_EQ(finishes, 0);
      EXPECT_TRUE(out == whole.substr(0, out.size()));
    }
  }
  // And the whole member when nothing fails.
  std::string out;
  int finishes = 0;
  GzipSink s(std::make_unique<testutil::StringSink>(&out, &finishes), 2, -1);
  Error e;
  EXPECT_TRUE(s.Write(data.data(), static_cast<int>(data.size()), &e));
  EXPECT_TRUE(s.Finish(&e));
  EXPECT_TRUE(out == whole);
  EXPECT_EQ(finishes, 1);
}

}  // namespace
