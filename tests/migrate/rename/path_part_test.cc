#include "migrate/rename/path_part.h"

#include <gtest/gtest.h>

namespace {

std::string Part(const char* path, int n) {
  StrBuf out("junk");
  PathPart(StrPtr(path), n, &out);
  return out.ToString();
}

TEST(PathPartTest, LeadingComponents) {
  EXPECT_EQ("a", Part("a/b/c", 1));
  EXPECT_EQ("a/b", Part("a/b/c", 2));
  // Exactly n - 1 separators: the whole path.
  EXPECT_EQ("a/b/c", Part("a/b/c", 3));
  // Fewer: nothing.
  EXPECT_EQ("", Part("a/b/c", 4));
  EXPECT_EQ("", Part("a/b/c", 0));
  // A leading "/" gives an empty first component.
  EXPECT_EQ("", Part("/x/y", 1));
  EXPECT_EQ("/x", Part("/x/y", 2));
}

TEST(PathPartTest, TrailingComponents) {
  EXPECT_EQ("c", Part("a/b/c", -1));
  EXPECT_EQ("b/c", Part("a/b/c", -2));
  EXPECT_EQ("a/b/c", Part("a/b/c", -3));
  EXPECT_EQ("a/b/c", Part("a/b/c", -7));
  EXPECT_EQ("abc", Part("abc", -1));
  EXPECT_EQ("", Part("a/b/", -1));
}

}  // namespace
