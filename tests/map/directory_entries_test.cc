// DirectoryEntries files a directory's all-literal map lines by name and
// keeps the rest to be matched in turn. Translating a path of the directory
// through them must give what a search of the whole map gives, in every
// comparison mode the program uses, with lines of one name in several spellings, exclusions,
// and lines that end inside the directory.
#include "map/directory_entries.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "map/view_map.h"

namespace {

class DirectoryEntriesTest : public testing::Test {
 protected:

  // The translation of path through the directory's entries, or "-".
  static std::string Among(ViewMap* map, const std::string& dir, const std::string& path,
                           bool* gathered) {
    std::vector<const MapEntry*> found;
    DirectoryEntries entries;
    const uint32_t dirLen = static_cast<uint32_t>(dir.size());
    *gathered = map->GatherDirectory(0, StrPtr(dir.c_str()), 4096, &found) &&
                entries.Build(found, dirLen, 64, map->CaseMode());
    if (!*gathered) return "";
    const MapEntry* literal =
        entries.FindLiteral(path.c_str() + dirLen, static_cast<uint32_t>(path.size()) - dirLen);
    const int verified = map->CaseMode() == CaseFoldThenExact ? 0 : static_cast<int>(dirLen);
    StrBuf out;
    const MapEntry* hit =
        map->TranslateAmong(entries.Wild(), literal, verified, 0, StrPtr(path.c_str()), &out);
    return hit ? out.ToString() : "-";
  }
  static std::string Whole(ViewMap* map, const std::string& path) {
    StrBuf out;
    return map->Translate(0, StrPtr(path.c_str()), &out) ? out.ToString() : "-";
  }
};

TEST_F(DirectoryEntriesTest, AgreesWithTheWholeMapInEveryMode) {
  const char* const kNames[] = {"a.c", "A.c", "a.C", "b.h", "B.H", "readme", "x", "ab", "a"};
  const char* const kDirs[] = {"//d/m/", "//d/M/", "//d/m/s/", "//D/m/S/"};
  const StrCaseMode kModes[] = {CaseFold, CaseExact};
  std::mt19937 rng(99);
  auto pick = [&rng](auto& list) { return std::string(list[rng() % std::size(list)]); };
  for (StrCaseMode mode : kModes) {
    for (int round = 0; round < 30; ++round) {
      ViewMap map(mode);
      const int n = 1 + static_cast<int>(rng() % 40);
      for (int i = 0; i < n; ++i) {
        std::string left = pick(kDirs);
        switch (rng() % 8) {
          case 0: left += "..."; break;
          case 1: left += "*.c"; break;
          case 2: left.pop_back(); break;  // the directory itself, no "/"
          case 3: left = left.substr(0, 4); break;  // a shorter literal
          default: left += pick(kNames); break;  // a file's own line
        }
        std::string right = left;
        right[2] = 'X';
        int kind = rng() % 5 == 0 ? ExcludeMapping : IncludeMapping;
        ASSERT_TRUE(map.Insert(StrPtr(left.c_str()), StrPtr(right.c_str()), kind));
      }
      for (const char* dir : kDirs) {
        for (const char* name : kNames) {
          std::string path = std::string(dir) + name;
          bool gathered;
          std::string among = Among(&map, dir, path, &gathered);
          ASSERT_TRUE(gathered);
          ASSERT_EQ(among, Whole(&map, path)) << "mode " << mode << " path " << path;
        }
      }
    }
  }
}

TEST_F(DirectoryEntriesTest, NamesAreFiledFoldedAndTheHighestSlotStays) {
  ViewMap map;
  ASSERT_TRUE(map.Insert(StrPtr("//d/m/Read.me"), StrPtr("//d/m/one"), IncludeMapping));
  ASSERT_TRUE(map.Insert(StrPtr("//d/m/READ.ME"), StrPtr("//d/m/two"), IncludeMapping));
  ASSERT_TRUE(map.Insert(StrPtr("//d/m/other"), StrPtr("//d/m/three"), IncludeMapping));
  ASSERT_TRUE(map.Insert(StrPtr("//d/m"), StrPtr("//d/four"), IncludeMapping));
  std::vector<const MapEntry*> found;
  ASSERT_TRUE(map.GatherDirectory(0, StrPtr("//d/m/"), 100, &found));
  DirectoryEntries entries;
  ASSERT_TRUE(entries.Build(found, 6, 0, CaseFold));  // no wildcards at all
  EXPECT_TRUE(entries.Wild().empty());
  const MapEntry* e = entries.FindLiteral("read.me", 7);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Half(1).Text().ToString(), "//d/m/two");
  EXPECT_EQ(entries.FindLiteral("read.m", 6), nullptr);
  EXPECT_EQ(entries.FindLiteral("read.mex", 8), nullptr);
  ASSERT_NE(entries.FindLiteral("OTHER", 5), nullptr);

  // Exactly compared, only the spelling of the line is found.
  ASSERT_TRUE(entries.Build(found, 6, 0, CaseExact));
  EXPECT_EQ(entries.FindLiteral("read.me", 7), nullptr);
  e = entries.FindLiteral("Read.me", 7);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Half(1).Text().ToString(), "//d/m/one");
  EXPECT_EQ(entries.Mode(), CaseExact);
}

TEST_F(DirectoryEntriesTest, TooManyWildcardLinesAreRefused) {
  ViewMap map;
  for (int i = 0; i < 5; ++i) {
    std::string left = "//d/m/" + std::to_string(i) + "*";
    ASSERT_TRUE(map.Insert(StrPtr(left.c_str()), StrPtr(left.c_str()), IncludeMapping));
  }
  ASSERT_TRUE(map.Insert(StrPtr("//d/m/f"), StrPtr("//d/m/F"), IncludeMapping));
  std::vector<const MapEntry*> found;
  ASSERT_TRUE(map.GatherDirectory(0, StrPtr("//d/m/"), 100, &found));
  DirectoryEntries entries;
  EXPECT_FALSE(entries.Build(found, 6, 4, CaseFold));
  EXPECT_TRUE(entries.Wild().empty());
  EXPECT_EQ(entries.FindLiteral("f", 1), nullptr);
  EXPECT_TRUE(entries.Build(found, 6, 5, CaseFold));
  EXPECT_EQ(entries.Wild().size(), 5u);
  EXPECT_NE(entries.FindLiteral("F", 1), nullptr);
}

}  // namespace
