// The write-behind sink: the same bytes in order whatever the pieces, the
// output finished once after them, and a failure of the output coming back
// at the next write, at a drain asked for it, or at Finish, only once.
#include "support/files/write_behind_sink.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/files/byte_test_util.h"
#include "test_util.h"

namespace {

std::string Data(size_t n) { return testutil::PseudoText(n, 9, 47, 13); }

TEST(WriteBehindSinkTest, SameBytesInOrderThenTheOutputIsFinished) {
  std::string data = Data(700000);
  for (size_t piece : {size_t{1}, size_t{4093}, size_t{16384}, size_t{500000}}) {
    std::string out;
    int finishes = 0;
    WriteBehindSink s(std::make_unique<testutil::StringSink>(&out, &finishes), 3, 16384);
    Error e;
    size_t count = piece == 1 ? 100000 : data.size();
    for (size_t at = 0; at < count; at += piece)
      ASSERT_TRUE(s.Write(data.data() + at, static_cast<int>(std::min(piece, count - at)), &e));
    EXPECT_TRUE(s.Finish(&e));
    EXPECT_FALSE(e.Test()) << e.Text();
    EXPECT_TRUE(out == data.substr(0, count)) << "pieces of " << piece;
    EXPECT_EQ(finishes, 1);
  }
}

TEST(WriteBehindSinkTest, AFailureComesBackAtTheNextWriteOnce) {
  std::string data = Data(2000000);
  std::string out;
  int finishes = 0;
  WriteBehindSink s(std::make_unique<testutil::StringSink>(&out, &finishes, 100000), 4, 16384);
  Error e;
  size_t at = 0;
  // The pipe holds 64 KiB: the writes must meet the failure long before
  // the end.
  while (at < data.size() && s.Write(data.data() + at, 1000, &e)) at += 1000;
  EXPECT_LT(at, size_t{500000});
  EXPECT_EQ(e.Text(), testutil::MemoryFailure("write"));
  EXPECT_FALSE(s.Write(data.data(), 1000, &e));
  EXPECT_FALSE(s.Finish(&e));
  EXPECT_EQ(e.Count(), 1) << e.Text();
  EXPECT_EQ(finishes, 0);  // a failed output is not finished
  EXPECT_TRUE(out == data.substr(0, out.size()));
  EXPECT_LE(out.size(), size_t{100000});
}

TEST(WriteBehindSinkTest, AFailureOfTheLastBlocksComesBackAtFinish) {
  std::string data = Data(10000);  // within the block being staged
  std::string out;
  int finishes = 0;
  WriteBehindSink s(std::make_unique<testutil::StringSink>(&out, &finishes, 5000), 2, 16384);
  Error e;
  for (size_t at = 0; at < data.size(); at += 1000) ASSERT_TRUE(s.Write(data.data() + at, 1000, &e));
  EXPECT_FALSE(e.Test());
  EXPECT_FALSE(s.Finish(&e));
  EXPECT_EQ(e.Text(), testutil::MemoryFailure("write"));
  EXPECT_EQ(finishes, 0);
}

TEST(WriteBehindSinkTest, DrainPutsEveryByteWrittenOnTheOutput) {
  std::string data = Data(100000);
  std::string out;
  WriteBehindSink s(std::make_unique<testutil::StringSink>(&out, nullptr, 150000), 3, 16384);
  Error e;
  ASSERT_TRUE(s.Write(data.data(), 40000, &e));
  EXPECT_TRUE(s.Drain(&e));
  EXPECT_TRUE(out == data.substr(0, 40000));
  ASSERT_TRUE(s.Write(data.data() + 40000, 60000, &e));
  EXPECT_TRUE(s.Drain(nullptr));
  EXPECT_TRUE(out == data);
  // A failure met while draining without e waits for the next call.
  ASSERT_TRUE(s.Write(data.data(), 60000, &e));
  EXPECT_TRUE(s.Drain(nullptr));
  EXPECT_FALSE(e.Test());
  EXPECT_FALSE(s.Drain(&e));
  EXPECT_EQ(e.Text(), testutil::MemoryFailure("write"));
  EXPECT_FALSE(s.Finish(&e));
  EXPECT_EQ(e.Count(), 1);
}

}  // namespace
