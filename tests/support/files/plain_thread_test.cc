// Plain text files on regular files are read ahead and written behind on a
// thread of their own, in blocks: the caller must see the
// bytes, positions, ends and failures it would see without the thread, in
// every piece size, and may close or move at any point.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <string>

#include "support/files/file_test_util.h"
#include "support/files/gzip_test_util.h"
#include "support/files/filesys.h"
#include "test_util.h"

namespace {

std::string Data(size_t n) { return testutil::PseudoText(n, 7, 61, 23); }

std::unique_ptr<FileSys> OpenText(const std::string& name, int mode, Error* e, int type = kFileText) {
  return testutil::OpenFile(type, name, mode, e);
}

TEST(PlainThreadTest, ReadsIdenticalBytesInEveryPieceSize) {
  testutil::TempDir dir;
  std::string data = Data(3300000);  // many blocks and a part of one
  std::string name = dir.File("in.ckp");
  testutil::WriteFile(name, data);
  for (int piece : {1 << 20, 32768, 7, (1 << 20) + 3, 4 << 20, 1}) {
    Error e;
    auto f = OpenText(name, kOpenRead, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    std::string got, buf(piece, '\0');
    int n;
    while ((n = f->Read(buf.data(), piece, &e)) > 0) {
      got.append(buf.data(), n);
      ASSERT_EQ(f->Tell(), static_cast<int64_t>(got.size()));
    }
    EXPECT_EQ(n, 0) << e.Text();
    EXPECT_FALSE(e.Test());
    EXPECT_TRUE(got == data) << "pieces of " << piece << ": " << got.size() << " bytes";
    // The end stays the end.
    EXPECT_EQ(f->Read(buf.data(), piece, &e), 0);
    f->Close(&e);
    EXPECT_FALSE(e.Test());
  }
}

TEST(PlainThreadTest, ReadLineSeesEveryLineOnce) {
  testutil::TempDir dir;
  std::string data = Data(2500000);
  std::string name = dir.File("lines.txt");
  testutil::WriteFile(name, data);
  Error e;
  auto f = OpenText(name, kOpenRead, &e);
  StrBuf line;
  std::string got;
  int r;
  while ((r = f->ReadLine(&line, &e)) != 0) {
    got.append(line.Text(), line.Length());
    if (r == 1) got += '\n';
  }
  EXPECT_FALSE(e.Test());
  EXPECT_TRUE(got == data);
}

// Takes every byte left through ReadLent, checking the position as it goes;
// *last is the last result.
std::string TakeLent(FileSys* f, int64_t start, Error* e, int* last) {
  std::string got;
  const char* p;
  int n;
  while ((n = f->ReadLent(&p, e)) > 0) {
    got.append(p, n);
    EXPECT_EQ(f->Tell(), start + static_cast<int64_t>(got.size()));
  }
  *last = n;
  return got;
}

TEST(PlainThreadTest, BlocksReadAheadAreLentInPlace) {
  testutil::TempDir dir;
  std::string data = Data(3300000);
  std::string name = dir.File("in.ckp");
  testutil::WriteFile(name, data);
  std::string gzName = dir.File("in.gz");
  testutil::WriteFile(gzName, testutil::GzipOf(data));
  for (int type : {kFileText, kFileGzip}) {
    Error e;
    auto f = OpenText(type == kFileText ? name : gzName, kOpenRead, &e, type);
    // Bytes a line read left in the buffer come first, then the blocks.
    StrBuf line;
    ASSERT_EQ(f->ReadLine(&line, &e), 1);
    std::string got = std::string(line.Text(), line.Length()) + "\n";
    int last;
    got += TakeLent(f.get(), static_cast<int64_t>(got.size()), &e, &last);
    EXPECT_EQ(last, 0) << e.Text();
    EXPECT_FALSE(e.Test());
    EXPECT_TRUE(got == data) << "type " << type << ": " << got.size() << " bytes";
    const char* p;
    EXPECT_EQ(f->ReadLent(&p, &e), 0);  // the end stays the end
    f->Close(&e);
  }
  // A file too small to be read ahead, and line ends to translate, are
  // not lent: the caller reads them.
  std::string small = dir.File("small.ckp");
  testutil::WriteFile(small, data.substr(0, 1000));
  for (auto [file, type] : {std::pair{small, kFileText}, std::pair{name, kFileText | kFileLineCr}}) {
    Error e;
    auto f = OpenText(file, kOpenRead, &e, type);
    const char* p;
    EXPECT_EQ(f->ReadLent(&p, &e), FileSys::kCannotLend) << file;
    char buf[10];
    EXPECT_EQ(f->Read(buf, 10, &e), 10);
    EXPECT_EQ(std::string(buf, 10), data.substr(0, 10));
  }
}

TEST(PlainThreadTest, CloseInTheMiddleOfARead) {
  testutil::TempDir dir;
  std::string data = Data(5000000);
  std::string name = dir.File("in.ckp");
  testutil::WriteFile(name, data);
  std::string buf(40000, '\0');
  {
    Error e;
    auto f = OpenText(name, kOpenRead, &e);
    ASSERT_EQ(f->Read(buf.data(), 40000, &e), 40000);
    f->Close(&e);  // returns though the thread has blocks queued
    EXPECT_FALSE(e.Test());
  }
  {
    Error e;
    auto f = OpenText(name, kOpenRead, &e);
    ASSERT_EQ(f->Read(buf.data(), 40000, &e), 40000);
  }  // the destructor alone ends the thread
  Error e;
  auto f = OpenText(name, kOpenRead, &e);
  std::string head;
  for (int i = 0; i < 40; ++i) {
    int n = f->Read(buf.data(), 40000, &e);
    ASSERT_GT(n, 0);
    head.append(buf.data(), n);
  }
  EXPECT_TRUE(head == data.substr(0, head.size()));
  EXPECT_EQ(f->Tell(), static_cast<int64_t>(head.size()));
}

TEST(PlainThreadTest, WritesIdenticalBytesInEveryPieceSize) {
  testutil::TempDir dir;
  std::string data = Data(3500000);
  for (size_t piece : {size_t{1} << 20, size_t{4093}, size_t{3000001}, size_t{1}}) {
    std::string name = dir.File("out.ckp");
    Error e;
    auto f = OpenText(name, kOpenWrite, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    size_t count = piece == 1 ? 300000 : data.size();
    for (size_t at = 0; at < count && !e.Test(); at += piece)
      f->Write(data.data() + at, static_cast<int>(std::min(piece, count - at)), &e);
    EXPECT_EQ(f->Tell(), static_cast<int64_t>(count));
    f->Close(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
    EXPECT_TRUE(testutil::ReadFile(name) == data.substr(0, count)) << "pieces of " << piece;
  }
}

TEST(PlainThreadTest, LineEndsAreTranslatedBeforeTheThread) {
  testutil::TempDir dir;
  std::string data = Data(2200000);
  std::string name = dir.File("cr.txt");
  Error e;
  auto f = OpenText(name, kOpenWrite, &e, kFileText | kFileLineCr);
  for (size_t at = 0; at < data.size(); at += 70000)
    f->Write(data.data() + at, static_cast<int>(std::min<size_t>(70000, data.size() - at)), &e);
  f->Close(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  std::string want = data;
  for (char& c : want)
    if (c == '\n') c = '\r';
  EXPECT_TRUE(testutil::ReadFile(name) == want);
}

// Lowers the file size limit for a scope, so writes past it fail (EFBIG)
// as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit lower = saved_;
    lower.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_;
  void (*oldHandler_)(int);
};

TEST(PlainThreadTest, AFailedWriteIsAnErrorByCloseAtTheLatest) {
  testutil::TempDir dir;
  std::string data = Data(6000000);
  for (size_t piece : {size_t{4093}, size_t{2000000}}) {
    std::string name = dir.File("full.ckp");
    Error e;
    bool writeFailed = false;
    {
      FileSizeLimit limit(2500000);
      auto f = OpenText(name, kOpenWrite, &e);
      ASSERT_FALSE(e.Test()) << e.Text();
      for (size_t at = 0; at < data.size() && !e.Test(); at += piece)
        f->Write(data.data() + at, static_cast<int>(std::min(piece, data.size() - at)), &e);
      writeFailed = e.Test();
      f->Close(&e);
    }
    EXPECT_TRUE(e.Test()) << "pieces of " << piece;
    EXPECT_NE(e.Text().find("write"), std::string::npos) << e.Text();
    // A failure met by a write is not reported again by Close.
    if (writeFailed) {
      EXPECT_EQ(e.Count(), 1) << e.Text();
    }
    EXPECT_LE(testutil::ReadFile(name).size(), size_t{2500000});
  }
}

TEST(PlainThreadTest, SizeSeesTheBytesWritten) {
  testutil::TempDir dir;
  std::string data = Data(2500000);
  std::string name = dir.File("grow.ckp");
  Error e;
  auto f = OpenText(name, kOpenWrite, &e);
  // Large writes skip the buffer; the first is written at once, the
  // second by the thread.
  f->Write(data.data(), 1200000, &e);
  f->Write(data.data() + 1200000, static_cast<int>(data.size()) - 1200000, &e);
  EXPECT_EQ(f->GetSize(), static_cast<int64_t>(data.size()));
  f->Close(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_TRUE(testutil::ReadFile(name) == data);
}

}  // namespace
