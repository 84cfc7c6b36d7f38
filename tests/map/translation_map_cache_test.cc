// TranslatePath keeps the answers of the last path, the last directory's
// fallback and the last partition for the next lookup. Runs of related
// paths must translate exactly as lookups made afresh every time (which is
// what a traced lookup does), also across a change of the fold mode.
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
  void SetUp() override { SetSevenBitFolding(true); }
  void TearDown() override {
    SetLevel(DT_MAP, 0);
    SetSevenBitFolding(false);
    SetUtf8Folding(false);
  }

  void Load(TranslationMap* map, const std::string& text) {
    std::string path = dir.File("map.txt");
    testutil::WriteFile(path, text);
    std::unique_ptr<FileSys> f = FileSys::Create(FST_TEXT);
    f->SetPath(StrPtr(path.c_str()));
    Error e;
    f->Open(FOM_READ, &e);
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
    SetLevel(DT_MAP, fresh ? 1 : 0);
    StrBuf out;
    out.Set("untouched");
    bool ok = map->TranslatePath(StrPtr(path.data(), static_cast<uint32_t>(path.size())), &out);
    SetLevel(DT_MAP, 0);
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

TEST_F(TranslationCacheTest, KeptAnswersFollowTheFoldMode) {
  // In UTF-8 folding the partition of //DÉPOT/x/f is that of //dépot/x/...,
  // in 7-bit folding it is not; the answer for the same path must follow.
  const char map[] = "//d\xC3\xA9pot/x/... //d\xC3\xA9pot/X/...\n//D\xC3\x89POT/... //Dx/...\n";
  TranslationMap m(false);
  SetUtf8Folding(true);
  SetSevenBitFolding(false);
  Load(&m, map);
  const std::string path = "//D\xC3\x89POT/x/f";
  std::string utf8 = Translate(&m, path, false);
  EXPECT_EQ(utf8, Translate(&m, path, true));
  SetUtf8Folding(false);
  SetSevenBitFolding(true);
  std::string sevenBit = Translate(&m, path, false);
  EXPECT_EQ(sevenBit, Translate(&m, path, true));
  SetUtf8Folding(true);
  SetSevenBitFolding(false);
  EXPECT_EQ(Translate(&m, path, false), utf8);
}

}  // namespace
