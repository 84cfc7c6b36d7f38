// The scan pass: notes as header templates, progress counting, the end of
// input after a reader failure, and the fold mode the maps are keyed in.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "map/translation_map.h"
#include "migrate/migrator.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/text/fold.h"
#include "debug_capture.h"
#include "test_util.h"

namespace {

using testutil::DebugCapture;

const char kNote[] = "@nx@ 0 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n";
const char kHeader[] = "@nx@ 0 111 @journal@ 1 0 0 0 0 @@ @journal@ @@ @@ @@ \n";
const char kTrailer[] = "@nx@ 1 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n";

std::string Counter(int i) {
  return "@pv@ 1 @db.counters@ @c" + std::to_string(i) + "@ " + std::to_string(i) + " \n";
}

class ScanTest : public ::testing::Test {
 protected:
  std::unique_ptr<FileSys> Named(const std::string& name, int type = kFileText) {
    std::unique_ptr<FileSys> f = FileSys::Create(type);
    f->SetPath(StrPtr(dir.File(name).c_str()));
    return f;
  }

  // Runs a whole scan of input (with the map text as -t when given) and
  // returns the -o file's text; the scan's error stays in e.
  std::string Run(const std::string& input, const std::string& map = "") {
    testutil::WriteFile(dir.File("in.ckp"), input);
    std::unique_ptr<FileSys> tmap;
    if (!map.empty()) {
      testutil::WriteFile(dir.File("map.txt"), map);
      tmap = Named("map.txt");
    }
    {
      DebugCapture capture;
      Migrator m(config, Named("in.ckp"), std::move(tmap), nullptr, nullptr, Named("out.ckp"));
      m.OpenFiles(&e);
      m.LoadMaps(&e);
      EXPECT_FALSE(e.Test()) << e.Text();
      m.Scan(&e);
      debug = capture.Text();
      skipped = m.Counters().skippedRecords;
      unicode = m.UnicodeCheckpoint();
      fold = m.Fold();
    }
    return testutil::ReadFile(dir.File("out.ckp"));
  }

  testutil::TempDir dir;
  RunConfig config;
  Error e;
  std::string debug;  // the scan's debug output
  int skipped = 0;
  bool unicode = false;  // the run's Unicode flag after the scan
  FoldRules fold;        // the run's fold rules after the scan
};

TEST_F(ScanTest, OnlyTheFirstNoteIsTheTemplateAndNotesAreNotWritten) {
  // A later note, one carrying the Unicode flag, is neither data nor a
  // second template; it does switch Unicode mode on.
  std::string out = Run(std::string(kNote) + Counter(1) +
                        "@nx@ 2 222 @other@ 8 1 1 1 1 @r@ @s@ @t@ @u@ @v@ \n" + Counter(2) + kTrailer);
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(out, kHeader + Counter(1) + Counter(2) + kTrailer);
  EXPECT_TRUE(unicode);
}

TEST_F(ScanTest, NoteOfAnotherTypeLeavesUnicodeModeAlone) {
  config.unicode = true;  // as -u sets it
  Run("@nx@ 1 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n" + Counter(1));
  EXPECT_TRUE(unicode);
  EXPECT_NE(debug.find("Unicode Checkpoint detected\n"), std::string::npos);
}

TEST_F(ScanTest, ProgressCountsNotesButNeverReportsOnOne) {
  // Record 100000 is a note: no line for it; the next comes at 200000.
  std::string input;
  for (int i = 1; i < 100000; ++i) input += Counter(i);
  input += kNote;
  for (int i = 100001; i <= 200000; ++i) input += Counter(i);
  Run(input);
  EXPECT_EQ(debug.find("Record 100000,"), std::string::npos) << debug;
  EXPECT_NE(debug.find("Record 200000, Processed 100000 records in "), std::string::npos);
}

TEST_F(ScanTest, CheckpointCutAfterItsHeaderIsRefusedWithoutTrailer) {
  std::string out = Run(std::string(kNote) + Counter(1) + Counter(2));
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_NE(e.Text().find("in.ckp is truncated"), std::string::npos) << e.Text();
  EXPECT_EQ(out, kHeader + Counter(1) + Counter(2));
}

TEST_F(ScanTest, ReaderFailureLeavesTheOutputWithoutTrailer) {
  // The input breaks off inside a quoted field: the records before it are
  // written but no trailer, so the output never passes for a whole
  // checkpoint, and the reader's error is the scan's.
  std::string out = Run(std::string(kNote) + Counter(1) + "@pv@ 1 @db.counters@ @cut");
  EXPECT_TRUE(e.IsFatal());
  EXPECT_EQ(out, kHeader + Counter(1));
  EXPECT_NE(debug.find("Total time to process checkpoint, "), std::string::npos);
}

TEST_F(ScanTest, SkippedRecordAtTheVeryEndIsCounted) {
  Run(Counter(1) + "@pv@ 1 @db.counters@ @short@ \n");
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(skipped, 1);
}

TEST_F(ScanTest, MapLoadedBeforeAUnicodeNoteIsRekeyedForUtf8Folding) {
  // "\xc3\x84" is a capital A with diaeresis: folded as UTF-8 the map's
  // partition key changes, so a map keyed before the note told the scan
  // to fold UTF-8 would find nothing.
  std::string out = Run(
      "@nx@ 0 111 @journal@ 8 0 0 0 0 @@ @@ @@ @@ @@ \n"
      "@pv@ 1 @db.excl@ @//depot/\xc3\x84" "B/x.c@ @ws@ @bob@ \n",
      "//depot/\xc3\x84" "B/... //depot/\xc3\x84" "b/...\n");
  EXPECT_EQ(fold.mode, FoldMode::kUtf8);
  EXPECT_NE(out.find("@//depot/\xc3\x84" "b/x.c@"), std::string::npos) << out;
}

TEST_F(ScanTest, RekeyFilesMappingsUnderTheNewFoldMode) {
  TranslationMap map(true, FoldRules{FoldMode::kSevenBit});
  testutil::WriteFile(dir.File("map.txt"),
                      "# comment\n//depot/\xc3\x84" "B/... //depot/\xc3\x84" "b/...\n");
  std::unique_ptr<FileSys> f = Named("map.txt");
  f->Open(kOpenRead, &e);
  {
    DebugCapture quiet;
    map.Load(f.get(), &e);
  }
  ASSERT_FALSE(e.Test()) << e.Text();
  StrBuf out;
  StrPtr path("//depot/\xc3\x84" "b/y.c");
  ASSERT_TRUE(map.TranslatePath(path, &out));

  map.SetFoldRules(FoldRules{FoldMode::kUtf8});
  EXPECT_FALSE(map.TranslatePath(path, &out));  // keyed in the old mode
  map.Rekey();
  ASSERT_TRUE(map.TranslatePath(path, &out));
  EXPECT_STREQ(out.Text(), "//depot/\xc3\x84" "b/y.c");
  EXPECT_EQ(map.MappingCount(), 1);
  EXPECT_EQ(map.Lines().Count(), 2);  // the kept lines are untouched
}

}  // namespace
