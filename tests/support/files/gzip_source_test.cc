// The gzip source: every member of a concatenation read, wherever the
// input's pieces cut it; the trailers checked; a stream cut short or
// followed by something else giving its data, then the failure naming the
// file, once.
#include "support/files/gzip_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/files/byte_test_util.h"
#include "support/files/gzip_test_util.h"
#include "test_util.h"

namespace {

std::string Sample(size_t n) { return testutil::PseudoText(n, 12345, 61, 7); }

// Reads the gzip bytes given in pieces of inner bytes (through an input
// buffer of inputSize) in pieces of piece bytes; *err receives the failure.
std::string Gunzip(const std::string& gz, size_t inner, int piece, std::string* err = nullptr,
                   int inputSize = 65536) {
  GzipSource s(std::make_unique<testutil::StringSource>(gz, inner), StrPtr("in.gz"), inputSize);
  Error e;
  std::string out, buf(piece, '\0');
  int n;
  while ((n = s.Read(buf.data(), piece, &e)) > 0) out.append(buf.data(), n);
  if (err) {
    *err = e.Text();
    // Handed over once; the source stays failed.
    Error again;
    EXPECT_EQ(s.Read(buf.data(), piece, &again), n);
    EXPECT_FALSE(again.Test()) << again.Text();
  } else {
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(e.Test()) << e.Text();
  }
  return out;
}

TEST(GzipSourceTest, EveryMemberIsRead) {
  std::string one = "first member\n";
  std::string two = Sample(300000);
  std::string three = "";  // an empty member is a member too
  std::string gz = testutil::GzipOf(one) + testutil::GzipOf(two) + testutil::GzipOf(three) +
                   testutil::GzipOf("last\n");
  std::string all = one + two + three + "last\n";
  // Member boundaries inside and across the input's pieces and buffers.
  EXPECT_TRUE(Gunzip(gz, 1 << 20, 4096) == all);
  EXPECT_TRUE(Gunzip(gz, 1, 7) == all);
  EXPECT_TRUE(Gunzip(gz, 4093, 1 << 20, nullptr, 4096) == all);
  EXPECT_TRUE(Gunzip(gz, 33, 65536, nullptr, 10) == all);
}

TEST(GzipSourceTest, TrailerAndTrailingDataAreChecked) {
  std::string data = Sample(100000);
  std::string good = testutil::GzipOf(data);
  std::string second = testutil::GzipOf("tail\n");
  auto expect = [&](const std::string& bytes, const std::string& message) {
    for (size_t inner : {size_t{1} << 20, size_t{5}}) {
      std::string err;
      std::string got = Gunzip(bytes, inner, 65536, &err);
      EXPECT_EQ(err, "in.gz: " + message);
      EXPECT_TRUE(got == (data + "tail\n").substr(0, got.size()));  // a true prefix
    }
  };
  std::string crc = good;
  crc[crc.size() - 8] ^= 1;
  expect(crc, "gzip CRC mismatch");
  std::string len = good;
  len[len.size() - 1] ^= 0x40;
  expect(len, "gzip length mismatch");
  // The same faults in a later member.
  std::string laterCrc = second;
  laterCrc[laterCrc.size() - 6] ^= 0x10;
  expect(good + laterCrc, "gzip CRC mismatch");
  for (size_t cut : {1u, 4u, 8u}) expect(good.substr(0, good.size() - cut), "unexpected end of gzip data");
  expect(good + second.substr(0, 12), "unexpected end of gzip data");
  expect(good + second.substr(0, 1), "unexpected end of gzip data");
  expect("", "unexpected end of gzip data");
  expect(good + "garbage after the member\n", "data after the end of the gzip data is not a gzip member");
  expect(good + std::string(512, '\0'), "data after the end of the gzip data is not a gzip member");
  expect(good + "\x1f" + "x and more", "data after the end of the gzip data is not a gzip member");
}

TEST(GzipSourceTest, ATruncatedStreamGivesItsDataThenTheFailure) {
  std::string data = Sample(600000);
  std::string gz = testutil::GzipOf(data);
  std::string err;
  std::string got = Gunzip(gz.substr(0, gz.size() / 2), 4096, 100000, &err);
  EXPECT_EQ(err, "in.gz: unexpected end of gzip data");
  EXPECT_GT(got.size(), data.size() / 4);
  EXPECT_TRUE(got == data.substr(0, got.size()));
}

TEST(GzipSourceTest, AFailingInputGivesTheDataBeforeItThenItsFailure) {
  std::string data = Sample(600000);
  std::string gz = testutil::GzipOf(data);
  GzipSource s(std::make_unique<testutil::StringSource>(gz, 4096, gz.size() / 2), StrPtr("in.gz"), 8192);
  Error e;
  std::string got, buf(50000, '\0');
  int n;
  while ((n = s.Read(buf.data(), 50000, &e)) > 0) got.append(buf.data(), n);
  EXPECT_EQ(n, -1);
  EXPECT_EQ(e.Text(), testutil::MemoryFailure("read"));
  EXPECT_GT(got.size(), data.size() / 4);
  EXPECT_TRUE(got == data.substr(0, got.size()));
}

}  // namespace
