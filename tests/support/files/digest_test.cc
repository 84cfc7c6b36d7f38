// File digests against the system's own tools: MD5 (upper-case hex),
// SHA-256 and the SHA-1 of the blob form (lower-case hex).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "support/files/digest.h"
#include "support/files/filesys.h"
#include "test_util.h"

namespace {

// The first word of a command's output; "" when the command fails.
std::string FirstWord(const std::string& cmd) {
  FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
  if (!p) return "";
  char buf[256] = {0};
  std::string out = fgets(buf, sizeof(buf), p) ? buf : "";
  if (pclose(p) != 0) return "";
  return out.substr(0, out.find_first_of(" \n"));
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

class DigestTest : public ::testing::Test {
 protected:
  std::string Digest(int kind, const std::string& name, int type = FST_BINARY) {
    auto f = FileSys::Create(type);
    f->SetPath(StrPtr(name.c_str()));
    StrBuf out;
    Error e;
    f->Digest(kind, &out, &e);
    EXPECT_FALSE(e.Test()) << e.Text();
    return out.ToString();
  }
  testutil::TempDir dir;
};

TEST_F(DigestTest, EmptyFile) {
  std::string name = dir.File("empty");
  testutil::WriteFile(name, "");
  auto f = FileSys::Create(FST_BINARY);
  f->SetPath(StrPtr(name.c_str()));
  StrBuf out;
  Error e;
  EXPECT_EQ(f->DigestMD5(&out, &e), 0);
  EXPECT_EQ(out.ToString(), "D41D8CD98F00B204E9800998ECF8427E");
  // "blob 0" and a zero byte.
  EXPECT_EQ(Digest(FDK_GITBLOB, name), "e69de29bb2d1d6434b8b29ae775ad8c2e48c5391");
  EXPECT_EQ(Digest(FDK_SHA256, name), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST_F(DigestTest, MatchesSystemTools) {
  std::string name = dir.File("data");
  std::string data;
  for (int i = 0; i < 70000; ++i) data += static_cast<char>(i * 31 % 256);
  testutil::WriteFile(name, data);
  std::string md5 = FirstWord("md5sum " + name);
  std::string sha256 = FirstWord("sha256sum " + name);
  std::string blob = FirstWord("git hash-object " + name);
  if (md5.empty() || sha256.empty()) GTEST_SKIP() << "no md5sum/sha256sum";
  EXPECT_EQ(Digest(FDK_MD5, name), Upper(md5));
  EXPECT_EQ(Digest(FDK_SHA256, name), sha256);
  if (!blob.empty()) {
    EXPECT_EQ(Digest(FDK_GITBLOB, name), blob);
    EXPECT_EQ(Digest(FDK_GITBLOB_SIZE, name), blob);
  }
  // Through a buffered text file the bytes are the same.
  EXPECT_EQ(Digest(FDK_MD5, name, FST_TEXT), Upper(md5));
}

TEST_F(DigestTest, LinkTargetTrailingNewlineIgnored) {
  std::string a = dir.File("a");
  std::string b = dir.File("b");
  ASSERT_EQ(symlink("target/path", a.c_str()), 0);
  ASSERT_EQ(symlink("target/path\n", b.c_str()), 0);
  std::string da = Digest(FDK_GITBLOB, a, FST_SYMLINK);
  EXPECT_EQ(da.size(), 40u);
  EXPECT_EQ(da, Digest(FDK_GITBLOB, b, FST_SYMLINK));
  std::string blob = FirstWord("printf 'target/path' | git hash-object --stdin");
  if (!blob.empty()) {
    EXPECT_EQ(da, blob);
  }
}

TEST_F(DigestTest, MissingFileAndAttachedDigest) {
  auto f = FileSys::Create(FST_BINARY);
  f->SetPath(StrPtr(dir.File("none").c_str()));
  StrBuf out("stale");
  Error e;
  f->Digest(FDK_SHA256, &out, &e);
  EXPECT_TRUE(e.Test());
  EXPECT_EQ(out.ToString(), "stale");  // nothing written after an error

  // A digest attached to a file is fed by its writes: the caller's bytes,
  // before any compression.
  StrBuf text;
  for (int type : {FST_BINARY, FST_GZIP, FST_TEXT}) {
    FileDigest md5("MD5");
    auto w = FileSys::Create(type);
    w->SetPath(StrPtr(dir.File("fed").c_str()));
    w->SetDigest(&md5);
    Error we;
    w->Open(FOM_WRITE, &we);
    w->Write("abc", 3, &we);
    w->Close(&we);
    md5.Final(&text);
    EXPECT_EQ(text.ToString(), "900150983CD24FB0D6963F7D28E17F72") << type;
  }
  FileDigest none("NOSUCH");
  none.Update("x", 1);
  none.Final(&text);
  EXPECT_EQ(text.ToString(), "");
}

}  // namespace
