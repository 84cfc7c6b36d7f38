// Buffered text files: line-end modes on read and write, ReadLine results,
// lines cut at the buffer size, a CR falling on a buffer boundary, and bulk
// reads that bypass the buffer.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <string>

#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "test_util.h"

namespace {

class TextFileTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSettings(); }

  // Reads the whole file through a text object of the type, in pieces of
  // the given size.
  std::string ReadAll(int type, const std::string& name, int piece = 4096) {
    auto f = FileSys::Create(type);
    f->SetPath(StrPtr(name.c_str()));
    Error e;
    f->Open(kOpenRead, &e);
    EXPECT_FALSE(e.Test()) << e.Text();
    std::string out;
    std::string buf(piece, '\0');
    for (;;) {
      int n = f->Read(buf.data(), piece, &e);
      EXPECT_GE(n, 0) << e.Text();
      if (n <= 0) break;
      out.append(buf.data(), n);
    }
    f->Close(&e);
    return out;
  }

  void WriteAll(int type, const std::string& name, const std::string& data) {
    auto f = FileSys::Create(type);
    f->SetPath(StrPtr(name.c_str()));
    f->SetPerms(kPermReadWrite);
    Error e;
    f->Open(kOpenWrite, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    f->Write(data.data(), static_cast<int>(data.size()), &e);
    f->Close(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }

  testutil::TempDir dir;
};

TEST_F(TextFileTest, ReadTranslatesByLineMode) {
  std::string name = dir.File("t");
  testutil::WriteFile(name, "a\r\nb\rc\n");
  EXPECT_EQ(ReadAll(kFileText, name), "a\r\nb\rc\n");  // 0: bytes unchanged
  EXPECT_EQ(ReadAll(kFileText | kFileLineNone, name), "a\r\nb\rc\n");
  EXPECT_EQ(ReadAll(kFileText | kFileLineCr, name), "a\n\nb\nc\n");
  EXPECT_EQ(ReadAll(kFileText | 0x3000, name), "a\nb\rc\n");  // CRLF
  EXPECT_EQ(ReadAll(kFileText | kFileLineCrOrCrLf, name), "a\nb\nc\n");
  // One byte at a time: the CR is always the last byte of a call.
  EXPECT_EQ(ReadAll(kFileText | 0x3000, name, 1), "a\nb\rc\n");
  EXPECT_EQ(ReadAll(kFileText | kFileLineCrOrCrLf, name, 1), "a\nb\nc\n");
}

TEST_F(TextFileTest, WriteTranslatesByLineMode) {
  std::string name = dir.File("w");
  WriteAll(kFileText | 0x3000, name, "a\nb");
  EXPECT_EQ(testutil::ReadFile(name), "a\r\nb");
  WriteAll(kFileText | kFileLineCr, name, "a\nb");
  EXPECT_EQ(testutil::ReadFile(name), "a\rb");
  WriteAll(kFileText, name, "a\r\nb\n");
  EXPECT_EQ(testutil::ReadFile(name), "a\r\nb\n");
  WriteAll(kFileText | kFileLineCrOrCrLf, name, "a\nb\r\n");
  EXPECT_EQ(testutil::ReadFile(name), "a\nb\r\n");
}

TEST_F(TextFileTest, CrAtBufferBoundary) {
  SetLevel(kFileBufferSize, 4096);
  // A: CR LF split across the first buffer boundary.
  std::string a = dir.File("a");
  testutil::WriteFile(a, std::string(4095, 'x') + "\r\nrest\n");
  EXPECT_TRUE(ReadAll(kFileText | 0x3000, a, 100) == std::string(4095, 'x') + "\nrest\n");
  EXPECT_TRUE(ReadAll(kFileText | kFileLineCrOrCrLf, a, 4096) == std::string(4095, 'x') + "\nrest\n");
  // B: a lone CR as the last byte of the first buffer.
  std::string b = dir.File("b");
  testutil::WriteFile(b, "ab\n" + std::string(4092, 'y') + "\rz\n");
  EXPECT_TRUE(ReadAll(kFileText | 0x3000, b, 4096) == "ab\n" + std::string(4092, 'y') + "\rz\n");
  EXPECT_TRUE(ReadAll(kFileText | kFileLineCrOrCrLf, b, 7) == "ab\n" + std::string(4092, 'y') + "\nz\n");

  Error e;
  StrBuf line;
  auto f = FileSys::Create(kFileText | 0x3000);
  f->SetPath(StrPtr(a.c_str()));
  f->Open(kOpenRead, &e);
  EXPECT_EQ(f->ReadLine(&line, &e), 1);
  EXPECT_TRUE(line.ToString() == std::string(4095, 'x'));
  EXPECT_EQ(f->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "rest");
  f->Close(&e);

  f->SetPath(StrPtr(b.c_str()));
  f->Open(kOpenRead, &e);
  EXPECT_EQ(f->ReadLine(&line, &e), 1);
  // The lone CR stays in the line although it ended a buffer.
  EXPECT_EQ(f->ReadLine(&line, &e), 1);
  EXPECT_TRUE(line.ToString() == std::string(4092, 'y') + "\rz");
  EXPECT_EQ(f->ReadLine(&line, &e), 0);
  f->Close(&e);
  EXPECT_FALSE(e.Test());
}

TEST_F(TextFileTest, ReadLineResults) {
  std::string name = dir.File("l");
  testutil::WriteFile(name, "x\r\ny");
  auto f = FileSys::Create(kFileText | 0x3000);
  f->SetPath(StrPtr(name.c_str()));
  Error e;
  f->Open(kOpenRead, &e);
  StrBuf line;
  EXPECT_EQ(f->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "x");
  EXPECT_EQ(f->ReadLine(&line, &e), -1);
  EXPECT_EQ(line.ToString(), "y");
  EXPECT_EQ(f->ReadLine(&line, &e), 0);
  f->Close(&e);

  // Mode 0: only LF ends a line; CRs are data, empty lines count.
  testutil::WriteFile(name, "a\r\n\nb\rc\n");
  auto g = FileSys::Create(kFileText);
  g->SetPath(StrPtr(name.c_str()));
  g->Open(kOpenRead, &e);
  EXPECT_EQ(g->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "a\r");
  EXPECT_EQ(g->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "");
  EXPECT_EQ(g->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "b\rc");
  EXPECT_EQ(g->ReadLine(&line, &e), 0);
  g->Close(&e);
  EXPECT_FALSE(e.Test());
}

TEST_F(TextFileTest, LongLinesComeWholeOrAreRefused) {
  SetLevel(kFileBufferSize, 4096);
  std::string name = dir.File("long");
  const std::string big(100000, 'q');
  testutil::WriteFile(name, big + "\r\nshort\n" + big + "\nend");
  // The buffered kinds in each line mode, and the unbuffered binary kind.
  for (int type : {kFileText, kFileText | kFileLineCrOrCrLf, kFileBinary}) {
    auto f = FileSys::Create(type);
    f->SetPath(StrPtr(name.c_str()));
    Error e;
    f->Open(kOpenRead, &e);
    StrBuf line;
    const std::string firstEnd = type == kFileText || type == kFileBinary ? "\r" : "";
    EXPECT_EQ(f->ReadLine(&line, &e), 1) << type;
    EXPECT_TRUE(line.ToString() == big + firstEnd) << type << ": " << line.Length();
    EXPECT_EQ(f->ReadLine(&line, &e), 1);
    EXPECT_TRUE(line.ToString() == "short") << type << ": " << line.Length();
    EXPECT_EQ(f->ReadLine(&line, &e), 1);
    EXPECT_TRUE(line.ToString() == big);
    EXPECT_EQ(f->ReadLine(&line, &e), -1);
    EXPECT_EQ(line.ToString(), "end");
    EXPECT_EQ(f->ReadLine(&line, &e), 0);
    EXPECT_FALSE(e.Test()) << e.Text();
    f->Close(&e);

    // Beyond the line limit the line is refused, never handed out in part.
    f->SetLineLimit(50000);
    Error limited;
    f->Open(kOpenRead, &limited);
    EXPECT_EQ(f->ReadLine(&line, &limited), 0) << type;
    EXPECT_EQ(limited.Text(), name + ": a line is longer than 50000 bytes");
    f->Close(&limited);
  }
}

TEST_F(TextFileTest, LargeReadsAndWritesKeepEveryByte) {
  SetLevel(kFileBufferSize, 4096);
  std::string name = dir.File("big");
  std::string data;
  for (int i = 0; i < 100000; ++i) data += static_cast<char>((i * 7919) % 251);
  WriteAll(kFileText, name, data);
  EXPECT_EQ(testutil::ReadFile(name), data);
  // Mixed small and large reads, so the buffer and the bypass alternate.
  auto f = FileSys::Create(kFileText);
  f->SetPath(StrPtr(name.c_str()));
  Error e;
  f->Open(kOpenRead, &e);
  std::string got;
  std::string buf(20000, '\0');
  int sizes[] = {3, 20000, 100, 8192, 1};
  for (int i = 0;; ++i) {
    int n = f->Read(buf.data(), sizes[i % 5], &e);
    ASSERT_GE(n, 0);
    if (n == 0) break;
    got.append(buf.data(), n);
    EXPECT_EQ(f->Tell(), static_cast<int64_t>(got.size()));
  }
  EXPECT_EQ(got, data);
  f->Close(&e);
  EXPECT_FALSE(e.Test()) << e.Text();
}

TEST_F(TextFileTest, StandardOutputIsNeverClosed) {
  auto f = FileSys::Create(kFileText);
  f->SetPath(StrPtr("-"));
  Error e;
  f->Open(kOpenWrite, &e);
  ASSERT_FALSE(e.Test());
  f->Write("", 0, &e);
  f->Close(&e);
  EXPECT_FALSE(e.Test());
  // Standard output still works.
  EXPECT_EQ(fflush(stdout), 0);
  EXPECT_NE(fcntl(1, F_GETFD), -1);
}

}  // namespace
