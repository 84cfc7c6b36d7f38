// Gzip files: the exact bytes written, acceptance by the system's gzip,
// reading files with optional header fields, and the messages naming the
// file for truncated, damaged and non-gzip files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/files/file_test_util.h"
#include "support/files/filesys.h"
#include "support/files/gzip_test_util.h"
#include "support/messages/debug.h"
#include "test_util.h"

namespace {

// Mostly text with some noise, so it compresses but not trivially.
std::string Sample(size_t n) { return testutil::PseudoText(n, 12345, 61, 7); }

bool HaveGzip() { return system("gzip --version >/dev/null 2>&1") == 0; }

class GzipFileTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSettings(); }

  void Write(const std::string& name, const std::string& data, int piece) {
    auto f = FileSys::Create(kFileGzip);
    ASSERT_TRUE(f);
    f->SetPath(StrPtr(name.c_str()));
    f->SetPerms(kPermReadWrite);
    Error e;
    f->Open(kOpenWrite, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    for (size_t at = 0; at < data.size(); at += piece) {
      int n = static_cast<int>(std::min<size_t>(piece, data.size() - at));
      f->Write(data.data() + at, n, &e);
    }
    f->Close(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }

  // Reads through the type; *err receives the error text.
  std::string Read(int type, const std::string& name, int piece, std::string* err = nullptr) {
    Error e;
    auto f = testutil::OpenFile(type, name, kOpenRead, &e);
    std::string out;
    std::string buf(piece, '\0');
    for (int guard = 0; guard < 10000000; ++guard) {
      int n = f->Read(buf.data(), piece, &e);
      if (n <= 0 || e.Test()) {
        if (n > 0) out.append(buf.data(), n);
        break;
      }
      out.append(buf.data(), n);
    }
    if (err) {
      *err = e.Text();
    } else {
      EXPECT_FALSE(e.Test()) << e.Text();
    }
    Error ignored;
    f->Close(&ignored);
    return out;
  }

  testutil::TempDir dir;
};

TEST_F(GzipFileTest, WrittenBytesAndTrailer) {
  std::string name = dir.File("out.gz");
  std::string data = Sample(300000);
  Write(name, data, 777);
  std::string disk = testutil::ReadFile(name);
  ASSERT_GT(disk.size(), 18u);
  EXPECT_EQ(disk.substr(0, 10), testutil::GzipHeader());
  EXPECT_EQ(disk.substr(disk.size() - 8), testutil::GzipTrailer(data));
  EXPECT_EQ(Read(kFileGzip, name, 4096), data);
  EXPECT_EQ(Read(kFileGzip, name, 1 << 20), data);
  if (HaveGzip()) {
    EXPECT_EQ(system(("gzip -t " + name).c_str()), 0);
    std::string plain = dir.File("plain");
    ASSERT_EQ(system(("gzip -dc " + name + " > " + plain).c_str()), 0);
    EXPECT_TRUE(testutil::ReadFile(plain) == data);
  }
}

TEST_F(GzipFileTest, EmptyStreamIsCompleteFile) {
  std::string name = dir.File("empty.gz");
  Write(name, "", 1);
  std::string disk = testutil::ReadFile(name);
  EXPECT_EQ(disk, testutil::GzipHeader() + testutil::RawDeflate("") +
                      std::string(8, '\0'));
  EXPECT_EQ(Read(kFileGzip, name, 100), "");
  if (HaveGzip()) {
    EXPECT_EQ(system(("gzip -t " + name).c_str()), 0);
  }
}

TEST_F(GzipFileTest, SmallBuffersAndTextKind) {
  SetLevel(kFileBufferSize, 4096);
  std::string name = dir.File("small.gz");
  std::string data = Sample(50000);
  Write(name, data, 1);
  EXPECT_EQ(Read(kFileGzip, name, 3), data);
  // A text file with the gzip bit decompresses on read and compresses on
  // write.
  EXPECT_EQ(Read(kFileText | kFileGzipBit, name, 5000), data);
  std::string text = dir.File("text.gz");
  Error e;
  auto f = testutil::OpenFile(kFileText | kFileGzipBit, text, kOpenWrite, &e);
  f->Write(data.data(), static_cast<int>(data.size()), &e);
  f->Close(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(Read(kFileGzip, text, 65536), data);
}

TEST_F(GzipFileTest, ReadsGzipToolOutput) {
  if (!HaveGzip()) GTEST_SKIP() << "no gzip";
  std::string plain = dir.File("named.txt");
  std::string data = Sample(100000);
  testutil::WriteFile(plain, data);
  ASSERT_EQ(system(("gzip -N -9 -k " + plain).c_str()), 0);
  std::string gz = plain + ".gz";
  std::string disk = testutil::ReadFile(gz);
  ASSERT_TRUE(disk[3] & 8) << "expected the name field";
  EXPECT_EQ(Read(kFileGzip, gz, 65536), data);
}

TEST_F(GzipFileTest, OptionalHeaderFieldsAreSkipped) {
  std::string data = Sample(20000);
  std::string body = testutil::RawDeflate(data) + testutil::GzipTrailer(data);
  // FHCRC | FEXTRA | FNAME | FCOMMENT, with fields longer than a buffer.
  std::string extra(5000, 'E');
  std::string head("\x1f\x8b\x08\x1e\x00\x00\x00\x00\x00\x03", 10);
  head += static_cast<char>(extra.size() & 0xFF);
  head += static_cast<char>(extra.size() >> 8);
  head += extra;
  head += std::string(6000, 'N') + '\0';
  head += std::string("a comment") + '\0';
  uint32_t hcrc = crc32(0, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
  head += static_cast<char>(hcrc & 0xFF);
  head += static_cast<char>((hcrc >> 8) & 0xFF);
  SetLevel(kFileBufferSize, 4096);
  std::string name = dir.File("fields.gz");
  testutil::WriteFile(name, head + body);
  EXPECT_EQ(Read(kFileGzip, name, 4096), data);
  EXPECT_EQ(Read(kFileGzip, name, 7), data);
}

TEST_F(GzipFileTest, TruncatedDamagedAndForeignFiles) {
  std::string data = Sample(200000);
  std::string whole = dir.File("whole.gz");
  Write(whole, data, 65536);
  std::string disk = testutil::ReadFile(whole);

  std::string cut = dir.File("cut.gz");
  testutil::WriteFile(cut, disk.substr(0, disk.size() / 2));
  std::string err;
  std::string got = Read(kFileGzip, cut, 4096, &err);
  EXPECT_EQ(err, cut + ": unexpected end of gzip data");
  EXPECT_LT(got.size(), data.size());
  EXPECT_EQ(got, data.substr(0, got.size()));

  // Cut inside the header.
  testutil::WriteFile(cut, disk.substr(0, 5));
  Read(kFileGzip, cut, 4096, &err);
  EXPECT_EQ(err, cut + ": unexpected end of gzip data");

  std::string foreign = dir.File("plain.gz");
  testutil::WriteFile(foreign, "this is not compressed at all\n");
  Read(kFileGzip, foreign, 4096, &err);
  EXPECT_EQ(err, foreign + ": not in gzip format (Gzip magic header wrong!)");

  // Garbage where the deflate stream should be.
  std::string damaged = dir.File("damaged.gz");
  std::string bad = disk.substr(0, 10) + std::string(64, '\xff') + disk.substr(74);
  testutil::WriteFile(damaged, bad);
  Read(kFileGzip, damaged, 4096, &err);
  EXPECT_EQ(err.rfind(damaged + ": damaged gzip data (", 0), 0u) << err;
}

}  // namespace
