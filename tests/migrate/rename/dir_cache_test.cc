#include "migrate/rename/dir_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rename_test_util.h"

namespace {

using renametest::InTempDir;
using renametest::Put;

// The names of a listing that fold to folded, in the listing's order.
std::vector<std::string> Variants(const DirListing& listing, const char* folded) {
  const uint32_t* b;
  const uint32_t* e;
  listing.Matches(StrPtr(folded), &b, &e);
  std::vector<std::string> out;
  for (const uint32_t* p = b; p < e; ++p) out.push_back(listing.Name(*p).ToString());
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(DirCacheTest, ListsOnceAndFindsVariantsByFold) {
  InTempDir tmp;
  Put("d/Abc", "1");
  Put("d/aBC", "2");
  Put("d/abd", "3");
  Put("d/sub/x", "4");

  DirCache cache;
  const DirListing& d = cache.List(StrPtr("d"));
  EXPECT_EQ(4, d.Count());
  EXPECT_EQ((std::vector<std::string>{"Abc", "aBC"}), Sorted(Variants(d, "abc")));
  EXPECT_EQ((std::vector<std::string>{"sub"}), Variants(d, "sub"));
  EXPECT_TRUE(Variants(d, "ab").empty());
  EXPECT_TRUE(d.Contains(StrPtr("aBC")));
  EXPECT_FALSE(d.Contains(StrPtr("abc")));

  // Served from the cache: a file made afterwards is not seen.
  Put("d/ABC", "5");
  EXPECT_EQ(&d, &cache.List(StrPtr("d")));
  EXPECT_EQ(2u, Variants(cache.List(StrPtr("d")), "abc").size());
  EXPECT_EQ(1, cache.Size());
}

TEST(DirCacheTest, NotesKeepCachedListingsTrue) {
  InTempDir tmp;
  Put("depot/Foo/A.c,v", "a");
  DirCache cache;
  cache.List(StrPtr("."));
  cache.List(StrPtr("depot"));
  cache.List(StrPtr("depot/Foo"));
  cache.List(StrPtr("depot/foo"));  // missing, cached empty

  // A move of depot/Foo/A.c,v to depot/foo/a.c,v.
  cache.NoteGone(StrPtr("depot/Foo/A.c,v"));
  cache.NoteExists(StrPtr("depot/foo/a.c,v"));

  EXPECT_EQ(0, cache.List(StrPtr("depot/Foo")).Count());
  EXPECT_EQ((std::vector<std::string>{"a.c,v"}), Variants(cache.List(StrPtr("depot/foo")), "a.c,v"));
  EXPECT_EQ((std::vector<std::string>{"Foo", "foo"}),
            Sorted(Variants(cache.List(StrPtr("depot")), "foo")));
  // Names already listed are not duplicated.
  EXPECT_EQ(1, cache.List(StrPtr(".")).Count());
  // A new top-level name enters "."; uncached directories stay uncached.
  cache.NoteExists(StrPtr("other/x/y"));
  EXPECT_FALSE(cache.Has(StrPtr("other")));
  EXPECT_EQ(2, cache.List(StrPtr(".")).Count());
  EXPECT_TRUE(cache.List(StrPtr(".")).Contains(StrPtr("other")));
}

}  // namespace
