#include "support/files/posix/os_beneath.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/text/printable.h"
#include "test_util.h"

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

class BeneathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.File("top/a/b"));
    std::filesystem::create_directories(dir.File("outside/store"));
    WriteFile(dir.File("outside/store/victim"), "v");
    ASSERT_EQ(0, OsOpenTopDir(dir.File("top").c_str(), &top));
  }
  void TearDown() override { OsCloseFd(top); }
  // Opens rel beneath top and closes it again: 0 or the errno.
  int Open(const std::string& rel, int linkAt = 0) {
    int fd = -1;
    int err = OsOpenDirBeneath(top, rel, linkAt, &fd);
    OsCloseFd(fd);
    return err;
  }
  TempDir dir;
  int top = -1;
};

TEST_F(BeneathTest, NoLinkIsFollowedAndNoNameLeaves) {
  EXPECT_EQ(0, Open("a/b"));
  EXPECT_EQ(0, Open(""));
  ASSERT_EQ(0, symlink(dir.File("outside/store").c_str(), dir.File("top/a/link").c_str()));
  ASSERT_EQ(0, symlink("../../outside", dir.File("top/a/b/up").c_str()));
  EXPECT_EQ(ELOOP, Open("a/link"));
  EXPECT_EQ(ELOOP, Open("a/b/up/store"));
  EXPECT_NE(0, Open("a/../../outside"));
  EXPECT_NE(0, Open("/etc"));
  EXPECT_EQ(ENOENT, Open("a/none"));

  // Names that do exist are still not reached through a link.
  int fd = -1;
  ASSERT_EQ(0, OsOpenDirBeneath(top, "a", 0, &fd));
  bool isLink = false, isDir = false;
  EXPECT_EQ(0, OsEntryAt(fd, "link", &isLink, &isDir));
  EXPECT_TRUE(isLink);
  EXPECT_FALSE(isDir);
  EXPECT_EQ(ENOTDIR, OsRmDirAt(fd, "link"));
  OsCloseFd(fd);
  EXPECT_EQ("v", ReadFile(dir.File("outside/store/victim")));
}

TEST_F(BeneathTest, OnlyTheChosenComponentMayBeALink) {
  ASSERT_EQ(0, symlink(dir.File("outside").c_str(), dir.File("top/depot").c_str()));
  EXPECT_EQ(ELOOP, Open("depot/store"));
  EXPECT_EQ(0, Open("depot/store", 1));
  EXPECT_EQ(0, Open("depot", 1));
  // Beyond it, links are refused again.
  ASSERT_EQ(0, symlink(dir.File("top/a").c_str(), dir.File("outside/back").c_str()));
  EXPECT_EQ(ELOOP, Open("depot/back", 1));
}

TEST_F(BeneathTest, FilesAndOneEntryUnderTwoNamesAreToldWithoutFollowingLinks) {
  int a = -1;
  ASSERT_EQ(0, OsOpenDirBeneath(top, "a", 0, &a));
  WriteFile(dir.File("top/a/f"), "f");
  ASSERT_EQ(0, symlink("f", dir.File("top/a/to-f").c_str()));
  ASSERT_EQ(0, link(dir.File("top/a/f").c_str(), dir.File("top/a/hard").c_str()));
  bool isLink = true, isFile = false;
  EXPECT_EQ(0, OsFileEntryAt(a, "f", &isLink, &isFile));
  EXPECT_FALSE(isLink);
  EXPECT_TRUE(isFile);
  EXPECT_EQ(0, OsFileEntryAt(a, "to-f", &isLink, &isFile));
  EXPECT_TRUE(isLink);
  EXPECT_FALSE(isFile);
  EXPECT_EQ(0, OsFileEntryAt(a, "b", &isLink, &isFile));
  EXPECT_FALSE(isLink);
  EXPECT_FALSE(isFile);
  EXPECT_EQ(ENOENT, OsFileEntryAt(a, "none", &isLink, &isFile));

  // A link is not the entry it names; a second hard link is.
  bool same = false;
  EXPECT_EQ(0, OsSameEntryAt(a, "f", "hard", &same));
  EXPECT_TRUE(same);
  EXPECT_EQ(0, OsSameEntryAt(a, "f", "to-f", &same));
  EXPECT_FALSE(same);
  EXPECT_EQ(ENOENT, OsSameEntryAt(a, "f", "F", &same));
  EXPECT_EQ(ENOENT, OsSameEntryAt(a, "none", "f", &same));
  OsCloseFd(a);
}

TEST_F(BeneathTest, MovesNeverReplaceAndNamesMayBeLongerThanOneCall) {
  int a = -1, b = -1;
  ASSERT_EQ(0, OsOpenDirBeneath(top, "a", 0, &a));
  ASSERT_EQ(0, OsOpenDirBeneath(top, "a/b", 0, &b));
  WriteFile(dir.File("top/a/F"), "f");
  WriteFile(dir.File("top/a/b/f"), "other");
  EXPECT_EQ(EEXIST, OsMoveNoReplaceAt(a, "F", b, "f"));
  EXPECT_EQ(0, OsMoveNoReplaceAt(a, "F", b, "g"));
  EXPECT_EQ("f", ReadFile(dir.File("top/a/b/g")));
  EXPECT_EQ(0, OsMkDirAt(b, "new"));
  EXPECT_EQ(EEXIST, OsMkDirAt(b, "new"));
  EXPECT_EQ(0, OsRmDirAt(b, "new"));
  OsCloseFd(a);
  OsCloseFd(b);

  // 40 levels of 120 bytes: longer than the system takes in one name, and
  // reached component by component.
  std::string rel;
  int fd = -1;
  ASSERT_EQ(0, OsOpenDirBeneath(top, "", 0, &fd));
  for (int i = 0; i < 40; ++i) {
    std::string c(120, static_cast<char>('a' + i % 26));
    ASSERT_EQ(0, OsMkDirAt(fd, c.c_str()));
    int next = -1;
    ASSERT_EQ(0, OsOpenDirBeneath(fd, c, 0, &next));
    OsCloseFd(fd);
    fd = next;
    rel += (rel.empty() ? "" : "/") + c;
  }
  OsCloseFd(fd);
  EXPECT_GT(rel.size(), 4096u);
  EXPECT_EQ(0, Open(rel));
}

TEST(PrintableTest, ControlBytesCannotForgeLines) {
  StrBuf out;
  AppendPrintable(StrPtr("a\nRenaming secret.c,v to stolen.c,v\nb,v"), &out);
  EXPECT_EQ("a\\nRenaming secret.c,v to stolen.c,v\\nb,v", out.ToString());
  out.Clear();
  AppendPrintable(StrPtr("t\tx\x1b[2J\\ \xC3\xA9\x7F"), &out);
  EXPECT_EQ("t\\tx\\x1b[2J\\\\ \xC3\xA9\\x7f", out.ToString());
}

}  // namespace
