// The read-ahead source: every byte in order in any piece size, the end
// kept, a failure of the source underneath handed over only after the
// bytes before it, once, and a stop at any point of the read.
#include "support/files/read_ahead_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/files/byte_test_util.h"
#include "test_util.h"

namespace {

std::string Data(size_t n) { return testutil::PseudoText(n, 5, 53, 17); }

// Reads everything in pieces of piece bytes; *last is the last result.
std::string ReadAll(ByteSource* s, int piece, Error* e, int* last) {
  std::string got, buf(piece, '\0');
  int n;
  while ((n = s->Read(buf.data(), piece, e)) > 0) got.append(buf.data(), n);
  *last = n;
  return got;
}

TEST(ReadAheadSourceTest, EveryByteInOrderInAnyPieceSize) {
  std::string data = Data(1300000);  // many blocks and a part of one
  struct Case {
    size_t inner;  // the pieces the source underneath gives
    int piece;     // the pieces read
    size_t size;
  };
  for (Case c : {Case{4093, 65536, data.size()}, Case{size_t{1} << 20, 200001, data.size()},
                 Case{7, 65536, 400000}, Case{65536, 1, 300000}}) {
    std::string want = data.substr(0, c.size);
    ReadAheadSource s(std::make_unique<testutil::StringSource>(want, c.inner), 3, 65536);
    Error e;
    int last;
    std::string got = ReadAll(&s, c.piece, &e, &last);
    EXPECT_EQ(last, 0);
    EXPECT_FALSE(e.Test()) << e.Text();
    EXPECT_TRUE(got == want) << "pieces of " << c.inner << " read in " << c.piece;
    char one;
    EXPECT_EQ(s.Read(&one, 1, &e), 0);  // the end stays the end
  }
}

TEST(ReadAheadSourceTest, LentBlocksAndCopiesInterleaved) {
  // Lending gives the rest of the block a read left, then whole blocks; a
  // failure still comes after the bytes before it.
  std::string data = Data(500000);
  for (size_t failAt : {std::string::npos, size_t{200000}}) {
    ReadAheadSource s(std::make_unique<testutil::StringSource>(data, 5000, failAt), 3, 65536);
    Error e;
    std::string got;
    char buf[1000];
    int n;
    for (int i = 0;; ++i) {
      if (i % 3 == 0) {
        n = s.Read(buf, sizeof buf, &e);
        if (n > 0) got.append(buf, n);
      } else {
        const char* p;
        n = s.Lend(&p, &e);
        if (n > 0) {
          EXPECT_LE(n, 65536);
          got.append(p, n);
        }
      }
      if (n <= 0) break;
    }
    size_t want = failAt == std::string::npos ? data.size() : failAt;
    EXPECT_EQ(n, failAt == std::string::npos ? 0 : -1);
    EXPECT_TRUE(got == data.substr(0, want)) << got.size() << " bytes";
  }
}

TEST(ReadAheadSourceTest, AFailureComesAfterTheBytesBeforeIt) {
  std::string data = Data(1000000);
  // Inside a block, at a block's end, and before any byte.
  for (size_t failAt : {size_t{300001}, size_t{3 * 65536}, size_t{0}}) {
    ReadAheadSource s(std::make_unique<testutil::StringSource>(data, 10000, failAt), 3, 65536);
    Error e;
    int last;
    std::string got = ReadAll(&s, 7000, &e, &last);
    EXPECT_EQ(last, -1);
    EXPECT_EQ(got.size(), failAt);
    EXPECT_TRUE(got == data.substr(0, failAt));
    EXPECT_EQ(e.Text(), testutil::MemoryFailure("read"));
    // Handed over once; the source stays failed.
    Error again;
    char c;
    EXPECT_EQ(s.Read(&c, 1, &again), -1);
    EXPECT_FALSE(again.Test()) << again.Text();
  }
}

TEST(ReadAheadSourceTest, StopsAtAnyPointOfTheRead) {
  std::string data = Data(2000000);
  for (int reads : {0, 1, 40}) {
    auto s = std::make_unique<ReadAheadSource>(std::make_unique<testutil::StringSource>(data, 4096),
                                               2, 65536);
    Error e;
    char buf[1000];
    std::string got;
    for (int i = 0; i < reads; ++i) got.append(buf, s->Read(buf, sizeof buf, &e));
    EXPECT_TRUE(got == data.substr(0, got.size()));
    s.reset();  // the thread may be waiting for a free block: it must end
  }
}

}  // namespace
