#include "support/files/posix/os_move.h"

#include <errno.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

// Both the one-step move and its link + unlink fallback must keep an
// existing target whole.
class MoveTest : public ::testing::TestWithParam<int (*)(const char*, const char*)> {
 protected:
  int Move(const std::string& from, const std::string& to) {
    return GetParam()(dir.File(from).c_str(), dir.File(to).c_str());
  }
  TempDir dir;
};

TEST_P(MoveTest, MovesToAFreeName) {
  WriteFile(dir.File("A"), "data");
  EXPECT_EQ(0, Move("A", "a"));
  EXPECT_EQ("data", ReadFile(dir.File("a")));
  EXPECT_FALSE(OsNameExists(dir.File("A").c_str()));
}

TEST_P(MoveTest, NeverReplacesAFileOrADanglingLink) {
  WriteFile(dir.File("A"), "source");
  WriteFile(dir.File("a"), "precious");
  EXPECT_EQ(EEXIST, Move("A", "a"));
  EXPECT_EQ("precious", ReadFile(dir.File("a")));
  EXPECT_EQ("source", ReadFile(dir.File("A")));

  ASSERT_EQ(0, symlink("nowhere", dir.File("b").c_str()));
  EXPECT_TRUE(OsNameExists(dir.File("b").c_str()));
  EXPECT_EQ(EEXIST, Move("A", "b"));
  EXPECT_EQ("source", ReadFile(dir.File("A")));
}

TEST_P(MoveTest, MissingSourceFailsWithoutCreatingTheTarget) {
  EXPECT_EQ(ENOENT, Move("none", "x"));
  EXPECT_FALSE(OsNameExists(dir.File("x").c_str()));
}

INSTANTIATE_TEST_SUITE_P(Both, MoveTest, ::testing::Values(&OsMoveNoReplace, &OsMoveByLink));

TEST(MoveErrorTest, OnlyTransientFailuresAreRetried) {
  EXPECT_TRUE(OsMoveErrorIsTransient(EBUSY));
  EXPECT_TRUE(OsMoveErrorIsTransient(EAGAIN));
  for (int err : {EXDEV, EEXIST, ENOENT, EACCES, EPERM, EROFS, ENOSPC})
    EXPECT_FALSE(OsMoveErrorIsTransient(err)) << err;
}

}  // namespace
