// The name-level calls behind the no-clobber outputs: following a chain of
// links to the file an output replaces, and the lock of a -O directory.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/files/posix/os_file.h"
#include "test_util.h"

namespace {

using testutil::TempDir;
using testutil::WriteFile;

std::string Follow(const std::string& name) {
  StrBuf out;
  EXPECT_EQ(0, OsFollowLinks(name.c_str(), &out));
  return out.Text();
}

TEST(OsFollowLinksTest, EndsAtTheFileOrTheMissingNameAChainPointsTo) {
  TempDir dir;
  WriteFile(dir.File("target"), "x");
  EXPECT_EQ(Follow(dir.File("target")), dir.File("target"));  // no link
  ASSERT_EQ(0, symlink("target", dir.File("one").c_str()));
  ASSERT_EQ(0, symlink(dir.File("one").c_str(), dir.File("two").c_str()));
  EXPECT_EQ(Follow(dir.File("two")), dir.File("target"));
  // A relative target is taken against its link's directory, and a
  // dangling chain ends at the name that is missing.
  ASSERT_EQ(0, mkdir(dir.File("sub").c_str(), 0700));
  ASSERT_EQ(0, symlink("../sub/missing", dir.File("sub/dangling").c_str()));
  EXPECT_EQ(Follow(dir.File("sub/dangling")), dir.File("sub/../sub/missing"));
}

TEST(OsFollowLinksTest, ALoopIsAnError) {
  TempDir dir;
  ASSERT_EQ(0, symlink("b", dir.File("a").c_str()));
  ASSERT_EQ(0, symlink("a", dir.File("b").c_str()));
  StrBuf out;
  EXPECT_EQ(ELOOP, OsFollowLinks(dir.File("a").c_str(), &out));
  // (The directory's clean-up cannot walk a loop.)
  unlink(dir.File("a").c_str());
  unlink(dir.File("b").c_str());
}

TEST(OsLockDirectoryTest, ASecondLockIsRefusedUntilTheFirstGoes) {
  TempDir dir;
  std::unique_ptr<FileHandle> first, second;
  ASSERT_EQ(0, OsLockDirectory(dir.path().c_str(), &first));
  EXPECT_EQ(EWOULDBLOCK, OsLockDirectory(dir.path().c_str(), &second));
  EXPECT_FALSE(second);
  first.reset();
  EXPECT_EQ(0, OsLockDirectory(dir.path().c_str(), &second));
  EXPECT_EQ(ENOENT, OsLockDirectory(dir.File("none").c_str(), &first));
}

}  // namespace
