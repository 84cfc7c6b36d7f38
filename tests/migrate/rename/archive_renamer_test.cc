#include "migrate/rename/archive_renamer.h"

#include "migrate/rename/archive_mover.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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
    renamer.ReleaseReports(true);  // the conflict blocks, shown at once
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
    ArchiveMover mover(options, renamer.Locations());
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

TEST_F(ArchiveRenamerTest, AbsoluteDirectoriesWorkOnlyInsideALocation) {
  std::string base = tmp.path();
  // Under the root (the working directory here): named relative to it.
  Put(base + "/abs/Dir/F,v", "f");
  std::string mapped = base + "/abs/dir/f";
  std::string err = Rename(mapped.c_str(), "0");
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ("plan abs/Dir/F,v -> abs/dir/f,v\n", err);
  Execute();
  EXPECT_EQ("f", ReadFile(mapped + ",v"));

  // Elsewhere: reported once per directory and left alone, until the
  // directory is named as a location.
  testutil::TempDir elsewhere;
  Put(elsewhere.File("depot2/G,v"), "g");
  renamer.Locations()->AddDepotMap(StrPtr((elsewhere.path() + "/depot2/...").c_str()));
  const std::string g = elsewhere.File("depot2/g");
  Rename(g.c_str(), "0");
  EXPECT_TRUE(e.Has(kMsgOutsideLocations));
  EXPECT_EQ("Archives not touched, outside the archive locations: " + elsewhere.File("depot2") +
                "\n(name a directory with --archive-dir to let the rename work in it)",
            e.Text());
  const std::string h = elsewhere.File("depot2/h");
  Rename(h.c_str(), "0");
  EXPECT_FALSE(e.Test()) << e.Text();  // the directory was named once
  EXPECT_EQ(2, renamer.refused);
  EXPECT_EQ((std::set<std::string>{"depot2/G,v"}), Tree(elsewhere.path()));

  renamer.Locations()->AddDirectory(StrPtr(elsewhere.path().c_str()));
  const std::string k = elsewhere.File("depot2/k");
  Put(elsewhere.File("depot2/K,v"), "k");
  EXPECT_EQ("plan depot2/K,v -> depot2/k,v\n", Rename(k.c_str(), "0"));
  EXPECT_EQ(1u, renamer.Plan()->At(renamer.Plan()->Count() - 1).location);
}

TEST_F(ArchiveRenamerTest, NamesThatLeaveTheirDirectoryAreRefused) {
  testutil::TempDir outside;
  Put("depot/E/f,v", "f");
  Put("depot/x/A,v", "a");
  for (const char* mapped : {"depot/x/../../outside/E/../f", "depot//x/a", "depot/./x/a",
                             "depot/x/a\nRenaming secret,v to stolen", "depot/x/\x1b[2Ja"}) {
    e.Clear();
    std::string err = Rename(mapped, "0");
    EXPECT_TRUE(e.Has(kMsgArchivePathRefused)) << mapped;
    EXPECT_EQ("", err);
    // Shown on one line, control bytes escaped.
    const std::string text = e.Text();
    EXPECT_EQ(std::string::npos, text.find('\x1b'));
    EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << text;
  }
  // A revision field cannot climb out of the ",d" directory either.
  Rename("depot/x/a", "1", "../../../f,v");
  EXPECT_TRUE(e.Has(kMsgArchivePathRefused));
  EXPECT_EQ(6, renamer.refused);
  EXPECT_EQ(0, Planned());
}

TEST_F(ArchiveRenamerTest, OneFoldForAnalysisAndRename) {
  // "É.c" and "é.c" are different names to the analysis (it folds ASCII
  // letters only), so the rename never moves one onto the other, whatever
  // the run's fold mode.
  Put("depot/main/\xC3\xA9.c,v", "e");
  Rename("depot/main/\xC3\x89.c", "0");
  EXPECT_TRUE(e.Has(kMsgMissingFile));
  EXPECT_EQ("", Rename("depot/main/\xC3\xA9.c", "0"));
  EXPECT_EQ(0, Planned());
  EXPECT_EQ(1, renamer.alreadyCorrect);
}

TEST_F(ArchiveRenamerTest, LinksOnTheWayAreConflictsButADepotTopMayBeOne) {
  testutil::TempDir outside;
  Put(outside.File("store/A,v"), "outside a");
  Put(outside.File("dump/keep"), "k");
  Put(outside.File("disk2/main/B,v"), "b");
  Put("depot/main/Link/x", "x");
  // A link below the depot's top, at three depths.
  ASSERT_EQ(0, symlink(outside.File("store").c_str(), "depot/Link"));
  ASSERT_EQ(0, symlink(outside.File("store").c_str(), "depot/main/Deep"));
  ASSERT_EQ(0, symlink(outside.File("dump").c_str(), "depot/wanted"));
  Put("depot/Wanted/C,v", "c");
  Rename("depot/link/a", "0");
  EXPECT_TRUE(e.Has(kMsgArchiveLink)) << e.Text();
  Rename("depot/main/deep/a", "0");
  EXPECT_TRUE(e.Has(kMsgArchiveLink)) << e.Text();
  Rename("depot/wanted/c", "0");
  EXPECT_TRUE(e.Has(kMsgArchiveLink)) << e.Text();
  EXPECT_EQ(3, renamer.archiveConflicts);
  EXPECT_EQ(0, Planned());

  // A depot kept on another disk through a link at its top works.
  ASSERT_EQ(0, symlink(outside.File("disk2").c_str(), "spec"));
  renamer.DepotMapChanged(StrPtr("spec/..."));
  renamer.ResetCache();  // the top listing was taken before the link was made
  EXPECT_EQ("plan spec/main/B,v -> spec/main/b,v\n", Rename("spec/main/b", "0"));
  Execute();
  EXPECT_EQ("b", ReadFile(outside.File("disk2/main/b,v")));
  EXPECT_EQ((std::set<std::string>{"store/A,v", "dump/keep", "disk2/main/b,v"}),
            Tree(outside.path()));
}

TEST_F(ArchiveRenamerTest, ADirectorySwappedForALinkAfterThePlanIsNotFollowed) {
  testutil::TempDir outside;
  Put(outside.File("keep"), "k");
  Put("depot/Main/a,v", "a");
  Put("depot/Main/b,v", "b");
  Rename("depot/main/a", "0");
  Rename("depot/main/b", "0");
  ASSERT_EQ(2, Planned());
  ASSERT_EQ(0, rename("depot/Main", "depot/Main.moved"));
  ASSERT_EQ(0, symlink(outside.path().c_str(), "depot/Main"));
  std::string err = Execute();
  EXPECT_EQ(0, moved);
  EXPECT_NE(std::string::npos, err.find("is a symbolic link")) << err;
  EXPECT_EQ((std::set<std::string>{"keep"}), Tree(outside.path()));
  EXPECT_EQ("a", ReadFile("depot/Main.moved/a,v"));
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
    renamer.ReleaseReports(true);
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
  SetLevel(kDebugVerbosity, 4);
  renametest::DebugCapture debug;
  RenameRecord("//depot/a", "1.1", "0");
  RenameRecord("//depot/b", "1.1", "0");
  const std::string& out = debug.Text();
  SetLevel(kDebugVerbosity, 1);
  EXPECT_EQ(2, renamer.renameCount);
  EXPECT_NE(std::string::npos, out.find("rename 1 - entry: ")) << out;
  EXPECT_NE(std::string::npos, out.find("rename 2 - entry: ")) << out;
  EXPECT_NE(std::string::npos, out.find(" ms depot/a\n")) << out;
}

}  // namespace

namespace {

TEST_F(ArchiveRenamerTest, ReportsWaitForAFoundArchiveAndAWrongRootStopsTheLookups) {
  // Missing archives before the first one found are held back, then shown.
  Put("depot/X,v", "x");
  Rename("depot/m1", "0");
  renamer.Report(&e);
  std::string shown = Rename("depot/x", "0");
  EXPECT_NE(std::string::npos, shown.find("Failed to locate depot/m1,v")) << shown;

  // A root where nothing is found: after the bound, no more lookups and no
  // report at all, only the wrong root.
  ArchiveRenamer lost;
  StrBuf example;
  testing::internal::CaptureStderr();
  for (int i = 0; i < ArchiveRenamer::kWrongRootAfter + 5; ++i) {
    std::string m = "depot/none" + std::to_string(i);
    lost.RenameMapped(StrPtr(m.c_str()), StrPtr(m.c_str()), StrPtr("0"), StrPtr("1.1"), &e);
    lost.Report(&e);
  }
  lost.ReleaseReports(true);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  ASSERT_TRUE(lost.WrongRoot(&example));
  EXPECT_EQ("depot/none999,v", example.ToString());
  EXPECT_EQ(ArchiveRenamer::kWrongRootAfter, lost.missing);
}

}  // namespace
