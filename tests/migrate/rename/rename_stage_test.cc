// The archive rename stage: the archive root it opens once, and the counts
// it returns after the moves, a dry run and a refusal, the scan's conflicts
// included.
#include "migrate/rename/rename_stage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "migrate/rename/archive_mover.h"
#include "migrate/rename/rename_messages.h"
#include "rename_test_util.h"

namespace {

using renametest::InTempDir;
using renametest::Put;
using renametest::Tree;

class RenameStageTest : public ::testing::Test {
 protected:
  RenameStageTest() : stage({}), root(StrPtr(tmp.path().c_str())) {}

  // Plans one archive as a revision record of the scan would, the archive
  // root opened by the first.
  void Plan(const std::string& mapped) {
    Error e;
    ASSERT_TRUE(stage.RootReady(root, &e)) << e.Text();
    std::string lbr = "//" + mapped;
    testing::internal::CaptureStderr();
    stage.Renamer()->RenameMapped(StrPtr(lbr.c_str()), StrPtr(mapped.c_str()), StrPtr("0"),
                                  StrPtr("1.1"), &e);
    stage.Renamer()->Report(&e);
    testing::internal::GetCapturedStderr();
  }

  // The stage after the scan; what it printed is in output.
  RenameCounts Run(bool dryRun, bool conflictsRemain) {
    RenameOptions options;
    options.dryRun = dryRun;
    options.undoLog.Set(StrPtr(journalDir.File("undo.log").c_str()));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    RenameCounts counts = stage.Run(options, conflictsRemain, root, &e);
    output = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    return counts;
  }

  // An archive in the wrong case, one in the right case, one missing and
  // one in two cases.
  void PlanFour() {
    Put("depot/Foo/A.c,v", "moves");
    Put("depot/bar/b.c,v", "stays");
    Put("depot/two/x.c,v", "lower");
    Put("depot/two/X.c,v", "upper");
    Plan("depot/foo/a.c");
    Plan("depot/bar/b.c");
    Plan("depot/gone/g.c");
    Plan("depot/two/x.c");
  }

  InTempDir tmp;
  testutil::TempDir journalDir;
  RenameStage stage;
  StrBuf root;
  Error e;
  std::string output;
};

TEST_F(RenameStageTest, MovesAndCountsWhatTheScanAndTheMovesFound) {
  PlanFour();
  RenameCounts c = Run(false, false);
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(c.moved, 1);
  EXPECT_EQ(c.toMove, 0);
  EXPECT_EQ(c.missing, 1);
  EXPECT_EQ(c.conflicts, 1);  // found by the scan
  EXPECT_EQ(c.lostData, 1);
  EXPECT_EQ(c.unsettled, 2);  // the missing one and the conflict
  EXPECT_EQ(Tree(), (std::set<std::string>{"depot/foo/a.c,v", "depot/bar/b.c,v",
                                           "depot/two/x.c,v", "depot/two/X.c,v"}));
  EXPECT_NE(output.find("archives moved 1, already correct 1, missing 1, in conflict 1"),
            std::string::npos)
      << output;
  // The renamer's own counts are left as the scan made them.
  EXPECT_EQ(stage.Renamer()->archiveConflicts, 1);
  EXPECT_EQ(stage.Renamer()->lostData, 1);
}

TEST_F(RenameStageTest, DryRunCountsWhatWouldMoveAndChangesNothing) {
  PlanFour();
  RenameCounts c = Run(true, false);
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(c.moved, 0);
  EXPECT_EQ(c.toMove, 1);
  EXPECT_EQ(c.missing, 1);
  EXPECT_EQ(c.conflicts, 1);
  EXPECT_EQ(c.unsettled, 2);
  EXPECT_TRUE(Tree().count("depot/Foo/A.c,v"));
}

TEST_F(RenameStageTest, RemainingConflictsRefuseEveryMove) {
  PlanFour();
  RenameCounts c = Run(false, true);
  EXPECT_TRUE(e.Has(kMsgRenameRefusedConflicts)) << e.Text();
  EXPECT_EQ(c.moved, 0);
  EXPECT_EQ(c.conflicts, 1);  // the scan's, all that is known
  EXPECT_EQ(c.unsettled, 0);
  EXPECT_TRUE(Tree().count("depot/Foo/A.c,v"));
}

TEST_F(RenameStageTest, ArchiveRootIsOpenedOnceAndAMissingOneRefusesTheRename) {
  RenameStage missing({});
  EXPECT_FALSE(missing.RootTried());
  Error first;
  EXPECT_FALSE(missing.RootReady(StrPtr("no/such/root"), &first));
  EXPECT_TRUE(first.Test());
  EXPECT_TRUE(missing.RootTried());
  // Asked again, it answers as before without a second report.
  Error again;
  EXPECT_FALSE(missing.RootReady(StrPtr("no/such/root"), &again));
  EXPECT_FALSE(again.Test());
  RenameOptions options;
  Error e2;
  testing::internal::CaptureStderr();
  missing.Run(options, false, StrPtr("no/such/root"), &e2);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(e2.Has(kMsgRenameRootMissing)) << e2.Text();
}

}  // namespace
