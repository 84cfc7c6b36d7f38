#include "migrate/rename/archive_renamer.h"

#include "migrate/rename/archive_mover.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>

#include "journal/journal_record.h"
#include "map/view_map.h"
#include "migrate/rename/rename_messages.h"
#include "migrate/rename/rename_setup.h"
#include "rename_test_util.h"
#include "support/messages/debug.h"
#include "support/text/fold.h"

namespace {

using renametest::InTempDir;
using renametest::MakeRev;
using renametest::Put;
using renametest::Tree;
using testutil::ReadFile;

class ArchiveRenamerTest : public ::testing::Test {
 protected:
  // Runs one archive through the renamer; returns what reached stderr and
  // a line "plan FROM -> TO" for each move it planned.
  std::string Rename(const char* mapped, const char* type, const char* rev = "1.1") {
    e.Clear();
    std::string lbr = std::string("//") + mapped;
    testing::internal::CaptureStderr();
    renamer.RenameMapped(StrPtr(lbr.c_str()), StrPtr(mapped), StrPtr(type), StrPtr(rev), &e);
    return testing::internal::GetCapturedStderr() + NewMoves();
  }
  std::string NewMoves() {
    std::string out;
    for (; seen < renamer.Plan()->Count(); ++seen) {
      const PlannedMove& m = renamer.Plan()->At(seen);
      out += "plan " + std::string(m.from) + " -> " + std::string(m.to) + "\n";
    }
    return out;
  }
  int Planned() { return static_cast<int>(renamer.Plan()->Count()); }
  // Carries out the plan; returns what reached stderr.
  std::string Execute() {
    options.undoLog.Set(StrPtr(journalDir.File("undo.log").c_str()));
    ArchiveMover mover(options, StrPtr(tmp.path().c_str()));
    renamer.Plan()->Sort();
    e.Clear();
    testing::internal::CaptureStderr();
    mover.Execute(*renamer.Plan(), &e);
    moved = mover.moved;
    return testing::internal::GetCapturedStderr();
  }

  InTempDir tmp;
  testutil::TempDir journalDir;
  ArchiveRenamer renamer;
  RenameOptions options;
  Error e;
  size_t seen = 0;
  int moved = 0;
};

TEST_F(ArchiveRenamerTest, MovesTheOnlyVariantCreatingDirectories) {
  Put("depot/Foo/A.c,v", "rcs");
  std::string err = Rename("depot/foo/a.c", "0");
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ("plan depot/Foo/A.c,v -> depot/foo/a.c,v\n", err);
  // Planning changes nothing on disk.
  EXPECT_EQ((std::set<std::string>{"depot/Foo/A.c,v"}), Tree());
  // Later records of the same file find its move planned: silence.
  EXPECT_EQ("", Rename("depot/foo/a.c", "0"));
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(1, Planned());

  EXPECT_EQ("Undo journal: " + journalDir.File("undo.log") +
                "\nRenaming depot/Foo/A.c,v to depot/foo/a.c,v\n",
            Execute());
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ((std::set<std::string>{"depot/foo/a.c,v"}), Tree());
  EXPECT_EQ("rcs", ReadFile("depot/foo/a.c,v"));
  EXPECT_EQ(1, moved);
  EXPECT_EQ(0, renamer.archiveConflicts);
  EXPECT_EQ(0, renamer.lostData);
}

TEST_F(ArchiveRenamerTest, MovesIntoOneNewDirectoryMakeItOnceAndAFailureTakesItBack) {
  Put("depot/Foo/a,v", "a");
  Put("depot/Foo/b,v", "b");
  Put("depot/Foo/c,v", "c");
  Put("depot/Bar/x,v", "x");
  Put("depot/Bar/y,v", "y");
  Rename("depot/foo/a", "0");
  Rename("depot/foo/b", "0");
  Rename("depot/foo/c", "0");
  Rename("depot/bar/x", "0");
  Rename("depot/bar/y", "0");
  ASSERT_EQ(5, Planned());
  // The first move into "bar" fails (its source is gone): the directory it
  // made is taken back, so the next move into "bar" must make it again.
  ASSERT_EQ(0, unlink("depot/Bar/x,v"));
  Execute();
  EXPECT_EQ(4, moved);
  EXPECT_EQ((std::set<std::string>{"depot/foo/a,v", "depot/foo/b,v", "depot/foo/c,v",
                                   "depot/bar/y,v"}),
            Tree());
}

TEST_F(ArchiveRenamerTest, ArchiveAlreadyInWantedCaseIsLeftAlone) {
  Put("depot/foo/a.c,v", "rcs");
  EXPECT_EQ("", Rename("depot/foo/a.c", "0"));
  EXPECT_EQ(E_EMPTY, e.GetSeverity());
  EXPECT_EQ("", Rename("depot/foo/a.c", "0"));
  EXPECT_EQ(0, Planned());
  // Counted once for its many revisions.
  EXPECT_EQ(1, renamer.alreadyCorrect);
  EXPECT_EQ((std::set<std::string>{"depot/foo/a.c,v"}), Tree());
}

TEST_F(ArchiveRenamerTest, SeveralVariantsAreAConflictAndNothingMoves) {
  Put("depot/foo/a.c,v", "lower");
  Put("depot/foo/A.c,v", "upper");
  std::string out = Rename("depot/foo/a.c", "0");
  EXPECT_NE(std::string::npos,
            out.find("Case Conflict Detected!!! 2 archives found for depot/foo/a.c,v\n"));
  EXPECT_NE(std::string::npos, out.find("  selected: depot/foo/a.c,v\n"));
  EXPECT_NE(std::string::npos, out.find("  lost:     depot/foo/A.c,v\n"));
  EXPECT_EQ(std::string::npos, out.find("Renaming"));
  EXPECT_EQ(1, renamer.archiveConflicts);
  EXPECT_EQ(1, renamer.lostData);
  // The archive's other revisions report nothing more.
  EXPECT_EQ("", Rename("depot/foo/a.c", "0"));
  EXPECT_EQ(1, renamer.archiveConflicts);

  // Neither variant in the wanted case: both are lost, still nothing moves.
  out = Rename("depot/foo/A.C", "0");
  EXPECT_NE(std::string::npos, out.find("2 archives found for depot/foo/A.C,v\n"));
  EXPECT_EQ(std::string::npos, out.find("selected"));
  EXPECT_EQ(2, renamer.archiveConflicts);
  EXPECT_EQ(3, renamer.lostData);
  EXPECT_EQ("lower", ReadFile("depot/foo/a.c,v"));
  EXPECT_EQ("upper", ReadFile("depot/foo/A.c,v"));
  EXPECT_EQ(0, Planned());
}

TEST_F(ArchiveRenamerTest, VariantsUnderSeveralDirectoryVariantsAreAllFound) {
  Put("depot/Foo/a.c,v", "one");
  Put("depot/FOO/A.C,v", "two");
  std::string out = Rename("depot/foo/a.c", "0");
  EXPECT_NE(std::string::npos, out.find("2 archives found"));
  EXPECT_NE(std::string::npos, out.find("  lost:     depot/Foo/a.c,v\n"));
  EXPECT_NE(std::string::npos, out.find("  lost:     depot/FOO/A.C,v\n"));
  EXPECT_EQ(2, renamer.lostData);
  EXPECT_EQ((std::set<std::string>{"depot/Foo/a.c,v", "depot/FOO/A.C,v"}), Tree());
}

TEST_F(ArchiveRenamerTest, RevisionDirectoriesMatchWithoutCaseAndFilesExactly) {
  Put("depot/Foo/A.c,d/1.2", "r2");
  Put("depot/Foo/A.c,d/1.3", "r3");
  Put("depot/Foo/B.c,d/1.1.gz", "gz");
  Put("depot/Foo/C.c,d/1.1.GZ", "no");

  EXPECT_EQ("plan depot/Foo/A.c,d/1.3 -> depot/foo/a.c,d/1.3\n",
            Rename("depot/foo/a.c", "1", "1.3"));
  EXPECT_FALSE(e.Test()) << e.Text();
  // The next revision of the same file, then the first one again: the cache
  // knows where each lies now.
  EXPECT_EQ("plan depot/Foo/A.c,d/1.2 -> depot/foo/a.c,d/1.2\n",
            Rename("depot/foo/a.c", "1", "1.2"));
  EXPECT_EQ("", Rename("depot/foo/a.c", "1", "1.3"));
  EXPECT_FALSE(e.Test()) << e.Text();

  EXPECT_EQ("plan depot/Foo/B.c,d/1.1.gz -> depot/foo/b.c,d/1.1.gz\n",
            Rename("depot/foo/b.c", "3", "1.1"));
  // The revision file must match exactly: 1.1.GZ is not 1.1.gz.
  Rename("depot/foo/c.c", "3", "1.1");
  EXPECT_TRUE(e.Has(kMsgMissingFile));
  EXPECT_NE(std::string::npos, e.Text().find("depot/foo/c.c,d/1.1.gz"));

  Execute();
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ((std::set<std::string>{"depot/foo/a.c,d/1.2", "depot/foo/a.c,d/1.3",
                                   "depot/foo/b.c,d/1.1.gz", "depot/Foo/C.c,d/1.1.GZ"}),
            Tree());
  EXPECT_EQ("r3", ReadFile("depot/foo/a.c,d/1.3"));
  EXPECT_EQ(3, Planned());
  EXPECT_EQ(0, renamer.archiveConflicts);
}

TEST_F(ArchiveRenamerTest, SingleFileSuffixesAreFoundBesideTheirDirectory) {
  Put("depot/Bin/X.exe,t", "bin");
  Put("depot/Bin/Y.txt.gz", "gz");
  EXPECT_EQ("plan depot/Bin/X.exe,t -> depot/bin/x.exe,t\n", Rename("depot/bin/x.exe", "4"));
  EXPECT_EQ("plan depot/Bin/Y.txt.gz -> depot/bin/y.txt.gz\n", Rename("depot/bin/y.txt", "6"));
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(2, Planned());
}

TEST_F(ArchiveRenamerTest, UnknownTypeAndMissingArchiveAreReported) {
  Put("depot/a,v", "x");
  Rename("depot/a", "5");
  EXPECT_TRUE(e.Has(kMsgUnknownLbrType));
  EXPECT_NE(std::string::npos, e.Text().find("LbrFile //depot/a has unknown type 5."));

  Rename("depot/missing", "0");
  EXPECT_TRUE(e.Has(kMsgMissingFile));
  EXPECT_EQ("Missing file/directory. Failed to locate depot/missing,v", e.Text());
  // Reported once per archive.
  Rename("depot/missing", "0");
  EXPECT_EQ(E_EMPTY, e.GetSeverity());
  EXPECT_EQ(1, renamer.missing);
  EXPECT_EQ(1, renamer.unreadable);
  EXPECT_EQ(0, Planned());
  EXPECT_EQ((std::set<std::string>{"depot/a,v"}), Tree());
}

TEST_F(ArchiveRenamerTest, NeverMovesOverAFileThatAppearedAfterPlanning) {
  Put("depot/Foo/A.c,v", "found");
  EXPECT_EQ("plan depot/Foo/A.c,v -> depot/foo/a.c,v\n", Rename("depot/foo/a.c", "0"));
  Put("depot/foo/a.c,v", "precious");

  std::string out = Execute();
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_NE(std::string::npos, out.find("Case Conflict Detected!!! 2 archives found"));
  EXPECT_NE(std::string::npos, out.find("  selected: depot/foo/a.c,v\n"));
  EXPECT_NE(std::string::npos, out.find("  lost:     depot/Foo/A.c,v\n"));
  EXPECT_EQ("precious", ReadFile("depot/foo/a.c,v"));
  EXPECT_EQ("found", ReadFile("depot/Foo/A.c,v"));
  EXPECT_EQ(0, moved);
  // The journal says the move was not made.
  EXPECT_NE(std::string::npos,
            ReadFile(journalDir.File("undo.log")).find("#not-moved\tdepot/Foo/A.c,v\tdepot/foo/a.c,v\n"));
}

TEST_F(ArchiveRenamerTest, AbsoluteArchiveDirectoriesAreSearchedFromTheRoot) {
  std::string base = tmp.path();
  Put(base + "/abs/Dir/F,v", "f");
  std::string mapped = base + "/abs/dir/f";
  std::string err = Rename(mapped.c_str(), "0");
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ("plan " + base + "/abs/Dir/F,v -> " + mapped + ",v\n", err);
  Execute();
  EXPECT_EQ("f", ReadFile(mapped + ",v"));
}

TEST_F(ArchiveRenamerTest, NamesCompareInTheRunsFoldMode) {
  Put("depot/\xC3\x84r/X,v", "x");  // "Är" in UTF-8
  Put("depot/\xC3\x84r/Y,v", "y");
  // Folding A-Z only, Ä and ä are different names.
  SetSevenBitFolding(true);
  Rename("depot/\xC3\xA4r/x", "0");
  SetSevenBitFolding(false);
  EXPECT_TRUE(e.Has(kMsgMissingFile));

  renamer.ResetCache();
  SetUtf8Folding(true);
  std::string err = Rename("depot/\xC3\xA4r/y", "0");
  SetUtf8Folding(false);
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ("plan depot/\xC3\x84r/Y,v -> depot/\xC3\xA4r/y,v\n", err);
}

TEST_F(ArchiveRenamerTest, TopLevelArchivesAreFound) {
  Put("Top,v", "t");
  EXPECT_EQ("plan Top,v -> top,v\n", Rename("top", "0"));
  Execute();
  EXPECT_EQ("t", ReadFile("top,v"));
}

TEST_F(ArchiveRenamerTest, CacheIsEmptiedPastItsBound) {
  for (int i = 0; i <= DirCache::kMaxDirectories; ++i)
    renamer.ListDir(StrPtr(("none" + std::to_string(i)).c_str()));
  EXPECT_EQ(DirCache::kMaxDirectories + 1, renamer.Cache()->Size());
  Put("d/A,v", "a");
  Rename("d/a", "0");
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_LT(renamer.Cache()->Size(), 10);
  EXPECT_EQ(1, Planned());
}

// The record-level entry: skipped revisions, the depot map, the counters.
class RenameArchiveTest : public ArchiveRenamerTest {
 protected:
  std::string RenameRecord(const std::string& lbrFile, const std::string& lbrRev,
                           const std::string& lbrType, const std::string& action = "0",
                           const std::string& type = "0") {
    e.Clear();
    MakeRev(&rec, lbrFile, lbrRev, lbrType, action, type);
    testing::internal::CaptureStderr();
    renamer.RenameArchive(rec, &depotMap, &e);
    return testing::internal::GetCapturedStderr() + NewMoves();
  }

  JournalRecord rec;
  ViewMap depotMap;
};

TEST_F(RenameArchiveTest, MapsLbrFileThroughTheDepotMap) {
  Error ignored;
  depotMap.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  AddDepot(StrPtr("Spec"), StrPtr("archives/spec/..."), &depotMap, &ignored);
  Put("archives/spec/X,v", "x");
  Put("depot/A/b,v", "b");

  EXPECT_EQ("plan archives/spec/X,v -> archives/spec/x,v\n",
            RenameRecord("//Spec/x", "1.1", "0"));
  EXPECT_EQ("plan depot/A/b,v -> depot/a/b,v\n", RenameRecord("//depot/a/b", "1.1", "0"));
  EXPECT_FALSE(e.Test()) << e.Text();

  RenameRecord("//elsewhere/x", "1.1", "0");
  EXPECT_TRUE(e.Has(kMsgLbrNotVisible));
  EXPECT_EQ("LbrFile //elsewhere/x not visible through depotMap.", e.Text());
  EXPECT_EQ(2, Planned());
}

TEST_F(RenameArchiveTest, ConsecutiveRevisionsShareTheirAnswerUntilTheDepotMapChanges) {
  Error ignored;
  Put("depot/A/b,v", "b");
  Put("archives/other/A/B,v", "b");
  // Not yet visible, then the same lbrFile again: asked again, reported again.
  RenameRecord("//depot/a/b", "1.2", "0");
  EXPECT_TRUE(e.Has(kMsgLbrNotVisible));
  depotMap.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  EXPECT_EQ("plan depot/A/b,v -> depot/a/b,v\n", RenameRecord("//depot/a/b", "1.2", "0"));
  EXPECT_EQ("", RenameRecord("//depot/a/b", "1.1", "0"));
  // A remapped depot sends the next revision of the same file elsewhere.
  depotMap.Clear();
  AddDepot(StrPtr("depot"), StrPtr("archives/other/..."), &depotMap, &ignored);
  renamer.DepotMapChanged();
  EXPECT_EQ("plan archives/other/A/B,v -> archives/other/a/b,v\n",
            RenameRecord("//depot/a/b", "1.0", "0"));
  EXPECT_FALSE(e.Test()) << e.Text();
}

TEST_F(RenameArchiveTest, ARevisionFileIsFoundByItsExactNameOnly) {
  depotMap.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  Put("depot/D/f,d/1.1.gz", "x");
  Put("depot/D/f,d/1.2.GZ", "x");
  EXPECT_EQ("plan depot/D/f,d/1.1.gz -> depot/d/f,d/1.1.gz\n",
            RenameRecord("//depot/d/f", "1.1", "3"));
  EXPECT_EQ("", RenameRecord("//depot/d/f", "1.2", "3"));
  EXPECT_TRUE(e.Has(kMsgMissingFile));
  EXPECT_EQ(1, renamer.missing);
}

TEST_F(RenameArchiveTest, SkippedActionsAndTypesAreSilent) {
  depotMap.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  Put("depot/A,v", "a");
  // Deleted, purged, archived and lazy-copied revisions; unstored types.
  for (const char* action : {"2", "6", "7", "9", "258"}) {
    EXPECT_EQ("", RenameRecord("//depot/a", "1.1", "0", action));
    EXPECT_EQ(E_EMPTY, e.GetSeverity()) << action;
  }
  for (const char* type : {"4", "6", "8", "128", "65540", "131"}) {
    EXPECT_EQ("", RenameRecord("//depot/a", "1.1", "0", "0", type)) << type;
    EXPECT_EQ(E_EMPTY, e.GetSeverity()) << type;
  }
  EXPECT_EQ(0, Planned());
  // Any other action and type is renamed.
  EXPECT_EQ("plan depot/A,v -> depot/a,v\n", RenameRecord("//depot/a", "1.1", "0", "3", "1"));
}

TEST_F(RenameArchiveTest, TimingLinesCountEntriesAtVerbosityFour) {
  depotMap.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  Put("depot/a,v", "a");
  Put("depot/b,v", "b");
  SetLevel(DT_SUPTOOL, 4);
  renametest::DebugCapture debug;
  RenameRecord("//depot/a", "1.1", "0");
  RenameRecord("//depot/b", "1.1", "0");
  const std::string& out = debug.Text();
  SetLevel(DT_SUPTOOL, 1);
  EXPECT_EQ(2, renamer.renameCount);
  EXPECT_NE(std::string::npos, out.find("rename 1 - entry: ")) << out;
  EXPECT_NE(std::string::npos, out.find("rename 2 - entry: ")) << out;
  EXPECT_NE(std::string::npos, out.find(" ms depot/a\n")) << out;
}

}  // namespace
