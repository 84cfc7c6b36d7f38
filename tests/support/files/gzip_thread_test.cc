// Gzip files compress in independent blocks of a megabyte on their threads
// and decompress on a thread of their own: streams of several blocks
// written in odd pieces on any thread count must be the same bytes, read
// back whole in any piece size, fail loudly on a full disk, and close at
// any point of a read.
#include <gtest/gtest.h>

#include <string>

#include "support/files/file_test_util.h"
#include "support/files/filesys.h"
#include "support/files/gzip_test_util.h"
#include "test_util.h"

namespace {

std::string Data(size_t n) { return testutil::PseudoText(n, 99, 73, 11); }

// Writes data in pieces of the given size on the given threads; the error
// of Close goes to *e.
void WriteGz(const std::string& name, const std::string& data, size_t piece, Error* e,
             int threads = 2) {
  auto f = FileSys::Create(kFileGzip);
  f->SetPath(StrPtr(name.c_str()));
  f->SetThreads(threads);
  f->Open(kOpenWrite, e);
  ASSERT_FALSE(e->Test()) << e->Text();
  for (size_t at = 0; at < data.size() && !e->Test(); at += piece)
    f->Write(data.data() + at, static_cast<int>(std::min(piece, data.size() - at)), e);
  f->Close(e);
}

TEST(GzipThreadTest, ManyBlocksInOddPiecesOnAnyThreadCountAreTheSameBytes) {
  testutil::TempDir dir;
  std::string data = Data(3500000);  // a few blocks and a part of one
  std::string want = testutil::BlockGzipOf(data);
  bool ok = false;
  EXPECT_TRUE(testutil::Gunzip(want, &ok) == data);
  EXPECT_TRUE(ok);
  for (auto [threads, piece] : {std::pair{1, size_t{4093}}, std::pair{2, size_t{1} << 20},
                                 std::pair{3, size_t{3000001}}}) {
    std::string name = dir.File("out.gz");
    Error e;
    WriteGz(name, data, piece, &e, threads);
    ASSERT_FALSE(e.Test()) << e.Text();
    EXPECT_TRUE(testutil::ReadFile(name) == want) << threads << " threads, pieces of " << piece;
  }
}

TEST(GzipThreadTest, ShortFileIsOneOrdinaryDeflateStream) {
  testutil::TempDir dir;
  std::string data = Data(300000);
  std::string name = dir.File("short.gz");
  Error e;
  WriteGz(name, data, 65536, &e, 1);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_TRUE(testutil::ReadFile(name) == testutil::GzipOf(data));
}

TEST(GzipThreadTest, ReadsBackInAnyPieceSize) {
  testutil::TempDir dir;
  std::string data = Data(2600000);
  std::string name = dir.File("in.gz");
  testutil::WriteFile(name, testutil::GzipOf(data));
  for (int piece : {1 << 20, 32768, 7, (1 << 20) + 3}) {
    Error e;
    auto f = testutil::OpenFile(kFileGzip, name, kOpenRead, &e);
    std::string got, buf(piece, '\0');
    int n;
    while ((n = f->Read(buf.data(), piece, &e)) > 0) got.append(buf.data(), n);
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(e.Test()) << e.Text();
    EXPECT_TRUE(got == data) << "pieces of " << piece << ": " << got.size() << " bytes";
    EXPECT_EQ(f->Read(buf.data(), piece, &e), 0);  // and stays at the end
    f->Close(&e);
  }
}

TEST(GzipThreadTest, TruncatedLargeFileGivesItsDataThenTheError) {
  testutil::TempDir dir;
  std::string data = Data(3000000);
  std::string gz = testutil::GzipOf(data);
  std::string name = dir.File("cut.gz");
  testutil::WriteFile(name, gz.substr(0, gz.size() / 2));
  Error e;
  auto f = testutil::OpenFile(kFileGzip, name, kOpenRead, &e);
  std::string got, buf(65536, '\0');
  int n;
  while ((n = f->Read(buf.data(), 65536, &e)) > 0) got.append(buf.data(), n);
  EXPECT_EQ(n, -1);
  EXPECT_EQ(e.Text(), name + ": unexpected end of gzip data");
  EXPECT_GT(got.size(), 0u);
  EXPECT_TRUE(data.compare(0, got.size(), got) == 0);  // a true prefix
  Error again;
  EXPECT_EQ(f->Read(buf.data(), 65536, &again), -1);  // still failed
  f->Close(&again);
}

TEST(GzipThreadTest, CloseInTheMiddleOfAReadReturns) {
  testutil::TempDir dir;
  std::string name = dir.File("big.gz");
  testutil::WriteFile(name, testutil::GzipOf(Data(6000000)));
  Error e;
  auto f = testutil::OpenFile(kFileGzip, name, kOpenRead, &e);
  char buf[100];
  EXPECT_EQ(f->Read(buf, sizeof buf, &e), 100);
  f->Close(&e);  // the decompressing thread is blocked on full blocks
  EXPECT_FALSE(e.Test()) << e.Text();
}

TEST(GzipThreadTest, FullDiskIsAnErrorByCloseAtTheLatest) {
  for (int threads : {1, 2}) {
    Error e;
    WriteGz("/dev/full", Data(2500000), 65536, &e, threads);
    EXPECT_TRUE(e.Test()) << threads << " threads";
    EXPECT_NE(e.Text().find("/dev/full"), std::string::npos) << e.Text();
  }
}

}  // namespace
