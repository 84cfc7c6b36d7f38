// Two runs in one process, each with its own fold rules and comparison
// mode: every object that folds or compares takes the rules it was given,
// so the runs' answers differ as their rules do and neither run changes the
// other's, whatever the order of their calls.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "journal/journal_record.h"
#include "map/translation_map.h"
#include "map/view_map.h"
#include "migrate/migrator.h"
#include "migrate/verify/row_compare.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/text/fold.h"
#include "debug_capture.h"
#include "test_util.h"

namespace {

using testutil::DebugCapture;

// A map (its sides need not be variants, as with -n) whose lines are filed
// under other partitions in each fold: in UTF-8 folding kPath's partition
// is that of //dépot/x/..., in 7-bit folding it is not.
const char kMap[] = "//d\xC3\xA9pot/x/... //d\xC3\xA9pot/X/...\n//D\xC3\x89POT/... //Dx/...\n";
const char kPath[] = "//D\xC3\x89POT/x/f";

const FoldRules kUtf8{FoldMode::kUtf8};
const FoldRules kSevenBit{FoldMode::kSevenBit};

class RunModesTest : public ::testing::Test {
 protected:
  RunModesTest() { testutil::WriteFile(dir.File("map.txt"), kMap); }

  std::unique_ptr<FileSys> Named(const std::string& name) {
    std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
    f->SetPath(StrPtr(dir.File(name).c_str()));
    return f;
  }

  void Load(TranslationMap* map) {
    std::unique_ptr<FileSys> f = Named("map.txt");
    Error e;
    f->Open(kOpenRead, &e);
    DebugCapture quiet;
    map->Load(f.get(), &e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }

  static std::string Translate(TranslationMap* map, const char* path) {
    StrBuf out;
    return map->TranslatePath(StrPtr(path), &out) ? out.ToString() : "-";
  }

  testutil::TempDir dir;
};

TEST_F(RunModesTest, MapsOfTwoFoldModesAnswerEachInItsOwn) {
  // What each mode answers alone.
  std::string utf8Alone, sevenAlone;
  {
    TranslationMap alone(false, kUtf8);
    Load(&alone);
    utf8Alone = Translate(&alone, kPath);
  }
  {
    TranslationMap alone(false, kSevenBit);
    Load(&alone);
    sevenAlone = Translate(&alone, kPath);
  }

  // Both at once, loaded and asked in turns.
  TranslationMap utf8(false, kUtf8);
  Load(&utf8);
  TranslationMap seven(false, kSevenBit);
  Load(&seven);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Translate(&utf8, kPath), utf8Alone);
    EXPECT_EQ(Translate(&seven, kPath), sevenAlone);
  }
  // Asked in turns, each map folds under its own rules.
  StrBuf a, b;
  for (int i = 0; i < 2; ++i) {
    utf8.PartitionKey(kPath, &a);
    seven.PartitionKey(kPath, &b);
    EXPECT_EQ(a.ToString(), "d\xC3\xA9pot/x");
    EXPECT_EQ(b.ToString(), "d\xC3\x89pot/x");
  }
  EXPECT_EQ(utf8Alone, "//Dx/x/f");
}

TEST_F(RunModesTest, MapsOfTwoComparisonModesMatchEachInItsOwn) {
  ViewMap fold(CaseFold), exact(CaseExact);
  TranslationMap foldMap(false, kSevenBit, CaseFold), exactMap(false, kSevenBit, CaseExact);
  for (ViewMap* map : {&fold, &exact})
    ASSERT_TRUE(map->Insert(StrPtr("//depot/main/..."), StrPtr("//depot/Main/..."), IncludeMapping));
  Load(&foldMap);
  Load(&exactMap);
  StrBuf out;
  for (int i = 0; i < 2; ++i) {
    EXPECT_NE(fold.Translate(0, StrPtr("//DEPOT/MAIN/a"), &out), nullptr);
    EXPECT_EQ(out.ToString(), "//depot/Main/a");
    EXPECT_EQ(exact.Translate(0, StrPtr("//DEPOT/MAIN/a"), &out), nullptr);
    EXPECT_EQ(Translate(&foldMap, "//d\xC3\xA9POT/X/f"), "//d\xC3\xA9pot/X/f");
    EXPECT_EQ(Translate(&exactMap, "//d\xC3\xA9POT/X/f"), "-");
  }
}

TEST_F(RunModesTest, VerificationsOfTwoFoldModesCompareEachInItsOwn) {
  RowComparer utf8(&kUtf8);
  RowComparer seven(&kSevenBit);
  const StrPtr upper("//depot/\xC3\x84.c");  // U+00C4
  const StrPtr lower("//depot/\xC3\xA4.c");  // U+00E4
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(utf8.SameValue(TableRoles::kPath, upper, lower));
    EXPECT_FALSE(seven.SameValue(TableRoles::kPath, upper, lower));
  }
}

// Two whole runs over one checkpoint and one map, one told the checkpoint
// is Unicode (-u) and one not, their stages interleaved: each settles its
// own fold mode and writes what it writes alone.
TEST_F(RunModesTest, InterleavedRunsWriteWhatEachWritesAlone) {
  testutil::WriteFile(dir.File("in.ckp"), std::string("@pv@ 1 @db.excl@ @") + kPath +
                                               "@ @ws@ @bob@ \n");
  RunConfig unicode;
  unicode.unicode = true;
  unicode.requireVariants = false;
  RunConfig plain;
  plain.requireVariants = false;

  DebugCapture quiet;
  auto run = [&](const RunConfig& config, const char* out) {
    return std::make_unique<Migrator>(config, Named("in.ckp"), Named("map.txt"), nullptr,
                                      nullptr, Named(out));
  };
  auto written = [&](const char* out) { return testutil::ReadFile(dir.File(out)); };
  auto whole = [&](Migrator* m, Error* e) {
    m->OpenFiles(e);
    m->LoadMaps(e);
    m->Scan(e);
    m->CommitOutputs(e);
  };

  Error e;
  auto alone = run(unicode, "utf8-alone.ckp");
  whole(alone.get(), &e);
  alone = run(plain, "seven-alone.ckp");
  whole(alone.get(), &e);
  alone.reset();
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_NE(written("utf8-alone.ckp").find("@//Dx/x/f@"), std::string::npos);

  auto a = run(unicode, "utf8.ckp");
  auto b = run(plain, "seven.ckp");
  a->OpenFiles(&e);
  b->OpenFiles(&e);
  a->LoadMaps(&e);
  b->LoadMaps(&e);
  b->Scan(&e);
  a->Scan(&e);
  a->CommitOutputs(&e);
  b->CommitOutputs(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(a->Fold().mode, FoldMode::kUtf8);
  EXPECT_EQ(b->Fold().mode, FoldMode::kSevenBit);
  EXPECT_EQ(written("utf8.ckp"), written("utf8-alone.ckp"));
  EXPECT_EQ(written("seven.ckp"), written("seven-alone.ckp"));
}

}  // namespace
