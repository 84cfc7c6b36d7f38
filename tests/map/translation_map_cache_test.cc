// TranslatePath keeps the answers of the last path, each directory's
// candidate entries and fallback, and the last partition for the next
// lookup. Runs of related paths must translate exactly as lookups made
// afresh every time (which is what a traced lookup does), also across a
// change of the fold mode, with wildcards and exclusions in the map, with
// directories of more entries than are gathered, and after the kept
// directories have been dropped for their number.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "map/translation_map.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/text/fold.h"
#include "test_util.h"

namespace {

class TranslationCacheTest : public testing::Test {
 protected:
  void TearDown() override { SetLevel(kDebugMap, 0); }

  void Load(TranslationMap* map, const std::string& text) {
    std::string path = dir.File("map.txt");
    testutil::WriteFile(path, text);
    std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
    f->SetPath(StrPtr(path.c_str()));
    Error e;
    f->Open(kOpenRead, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    map->Load(f.get(), &e);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    ASSERT_FALSE(e.Test()) << e.Text();
    f->Close(&e);
  }

  // The translation of path, or "-" when there is none. Lookups at a map
  // trace level above 0 are made without the kept answers.
  static std::string Translate(TranslationMap* map, const std::string& path, bool fresh) {
    SetLevel(kDebugMap, fresh ? 1 : 0);
    StrBuf out;
    out.Set("untouched");
    bool ok = map->TranslatePath(StrPtr(path.data(), static_cast<uint32_t>(path.size())), &out);
    SetLevel(kDebugMap, 0);
    if (!ok) {
      EXPECT_EQ(out.ToString(), "untouched") << path;
      return "-";
    }
    return out.ToString();
  }

  testutil::TempDir dir;
};

const char kMap[] =
    "//depot/... //Depot/...\n"
    "//depot/main/... //depot/Main/...\n"
    "//depot/main/src/a.c //depot/main/src/A.c\n"
    "//depot/main/lib/... //depot/main/LIB/...\n"
    "//depot/main/lib/x/... //depot/main/lib/X/...\n"
    "//other/dev/deep/er/file //other/dev/Deep/er/file\n"
    "//other/dev/deep/... //other/dev/DEEP/...\n";

TEST_F(TranslationCacheTest, RunsOfRelatedPathsTranslateAsFreshLookups) {
  TranslationMap cached(false), fresh(false);
  Load(&cached, kMap);
  Load(&fresh, kMap);
  const char* const kParts[] = {"depot", "DEPOT", "main", "Main", "src", "lib", "LIB", "x",
                                "a.c",   "A.c",   "b.c",  "...",  "other", "dev", "deep",
                                "er",    "file",  ""};
  std::mt19937 rng(7);
  std::vector<std::string> paths;
  std::string last = "//depot/main/src/a.c";
  for (int i = 0; i < 5000; ++i) {
    std::string p;
    int r = static_cast<int>(rng() % 8);
    if (r < 3) {
      p = last;  // the same path again
    } else if (r < 6) {
      // The same directory with another last component (or a suffix).
      size_t slash = last.rfind('/');
      p = last.substr(0, slash == std::string::npos ? 0 : slash + 1) +
          kParts[rng() % (sizeof kParts / sizeof kParts[0])];
      if (rng() % 5 == 0) p += "/...";
    } else {
      p = (rng() % 6 == 0) ? "///" : "//";
      int n = 1 + static_cast<int>(rng() % 5);
      for (int k = 0; k < n; ++k) {
        if (k) p += '/';
        p += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
      }
    }
    last = p;
    ASSERT_EQ(Translate(&cached, p, false), Translate(&fresh, p, true)) << p;
  }
}

// A map of wildcards, nested lines (which disambiguation turns into
// exclusions), case variants of one directory and a
// directory of more file lines than a directory keeps.
std::string WildMap() {
  std::string m =
      "//depot/... //Depot/...\n"
      "//depot/main/*.c //depot/main/*.C\n"
      "//depot/main/src/... //depot/main/Src/...\n"
      "//depot/main/src/gen/*.c //depot/main/src/gen/*.C\n"
      "//depot/main/src/%%1.h //depot/main/inc/%%1.h\n"
      "//depot/main/src/x...y //depot/main/src/X...Y\n"
      "//depot/MAIN/src/a.c //depot/Main/Src/A.c\n"
      "//depot/main/src/gen/keep.c //depot/main/src/gen/Keep.c\n"
      "//depot/main/src/gen/.../*.txt //depot/main/src/Gen/.../*.TXT\n"
      "//depot/main/big/... //depot/main/Big/...\n"
      "//other/dev/*.c //other/dev/*.C\n"
      "//other/dev/x.c //other/dev/x.c\n";
  for (int i = 0; i < 100; ++i)
    m += "//depot/main/big/f" + std::to_string(i) + " //depot/main/big/F" + std::to_string(i) + "\n";
  return m;
}

TEST_F(TranslationCacheTest, WildcardsExclusionsAndCrowdedDirectoriesAsFreshLookups) {
  TranslationMap cached(false), fresh(false);
  const std::string map = WildMap();
  Load(&cached, map);
  Load(&fresh, map);
  const char* const kDirs[] = {"//depot/main/", "//depot/main/src/", "//depot/MAIN/Src/",
                               "//depot/main/src/gen/", "//depot/main/src/gen/a/b/",
                               "//depot/main/big/", "//depot/main/BIG/", "//depot/other/",
                               "//depot/main/src/x/", "//depot/", "//other/dev/"};
  const char* const kNames[] = {"a.c", "A.C", "b.h", "x1y", "xy", "keep.c", "n.txt", "f7", "F99",
                                "f100", "g", "...", "*", "x/y", "x.c", "X.c"};
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    std::string p = std::string(kDirs[rng() % (sizeof kDirs / sizeof kDirs[0])]) +
                    kNames[rng() % (sizeof kNames / sizeof kNames[0])];
    ASSERT_EQ(Translate(&cached, p, false), Translate(&fresh, p, true)) << p;
  }
  // Spot checks of what the comparison rests on.
  EXPECT_EQ(Translate(&cached, "//other/dev/x.c", false), "//other/dev/x.c");  // the later line
  EXPECT_EQ(Translate(&cached, "//other/dev/y.c", false), "//other/dev/y.C");
  EXPECT_EQ(Translate(&cached, "//depot/main/src/gen/keep.c", false), "//depot/main/src/gen/Keep.c");
  EXPECT_EQ(Translate(&cached, "//depot/main/src/b.h", false), "//depot/main/inc/b.h");
  EXPECT_EQ(Translate(&cached, "//depot/main/big/f42", false), "//depot/main/big/F42");
  EXPECT_EQ(Translate(&cached, "//depot/main/big/f420", false), "//depot/main/Big/f420");
}

TEST_F(TranslationCacheTest, ManyDirectoriesKeepTranslatingAfterTheKeptOnesAreDropped) {
  TranslationMap cached(false), fresh(false);
  const std::string map = WildMap();
  Load(&cached, map);
  Load(&fresh, map);
  // More directories than are kept, each visited twice with a gap.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 40000; ++i) {
      std::string p = "//depot/main/src/d" + std::to_string(i) + "/f.c";
      std::string want = "//depot/main/Src/d" + std::to_string(i) + "/f.c";
      ASSERT_EQ(Translate(&cached, p, false), want) << p;
    }
  }
  EXPECT_EQ(Translate(&cached, "//depot/main/src/gen/q/r.txt", false),
            Translate(&fresh, "//depot/main/src/gen/q/r.txt", true));
}

TEST_F(TranslationCacheTest, MapsChangedAfterLookupsAreSeen) {
  TranslationMap m(false);
  Load(&m, "//depot/main/... //depot/Main/...\n");
  EXPECT_EQ(Translate(&m, "//depot/main/a/f.c", false), "//depot/Main/a/f.c");
  // A later mapping for the same directory, entered past the loader.
  m.GetMap(StrPtr("//depot/main/a/f.c"))
      ->Insert(StrPtr("//depot/main/a/f.c"), StrPtr("//depot/main/a/F.c"), IncludeMapping);
  EXPECT_EQ(Translate(&m, "//depot/main/a/f.c", false), "//depot/main/a/F.c");
  EXPECT_EQ(Translate(&m, "//depot/main/a/g.c", false), "//depot/Main/a/g.c");
}

TEST_F(TranslationCacheTest, KeptAnswersFollowTheFoldMode) {
  // In UTF-8 folding the partition of //DÉPOT/x/f is that of //dépot/x/...,
  // in 7-bit folding it is not; the answer for the same path must follow.
  const char map[] = "//d\xC3\xA9pot/x/... //d\xC3\xA9pot/X/...\n//D\xC3\x89POT/... //Dx/...\n";
  TranslationMap m(false, FoldRules{FoldMode::kUtf8});
  Load(&m, map);
  const std::string path = "//D\xC3\x89POT/x/f";
  std::string utf8 = Translate(&m, path, false);
  EXPECT_EQ(utf8, Translate(&m, path, true));
  m.SetFoldRules(FoldRules{FoldMode::kSevenBit});
  std::string sevenBit = Translate(&m, path, false);
  EXPECT_EQ(sevenBit, Translate(&m, path, true));
  m.SetFoldRules(FoldRules{FoldMode::kUtf8});
  EXPECT_EQ(Translate(&m, path, false), utf8);
}

}  // namespace
