#include "migrate/rename/undo_journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "migrate/rename/archive_locations.h"
#include "migrate/rename/archive_undo.h"
#include "migrate/rename/rename_messages.h"
#include "rename_test_util.h"
#include "test_util.h"

namespace {

using renametest::Put;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

std::string Escaped(const std::string& name, bool lineStart = true) {
  std::string out;
  EscapeJournalName(StrPtr(name.data(), static_cast<uint32_t>(name.size())), lineStart, &out);
  return out;
}

TEST(JournalNameTest, EveryByteSurvivesAndNoneBreaksALine) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  const std::vector<std::string> names = {
      "plain/name,v", "with space/a b,v", "tab\there", "new\nline", "back\\slash",
      "#hash first", "latin1 \xE9t\xE9", "utf8 \xC3\xA9t\xC3\xA9", "cut \xC3", "\xF4\x90\x80\x80", all};
  for (const std::string& name : names) {
    std::string text = Escaped(name);
    EXPECT_EQ(std::string::npos, text.find('\t')) << text;
    EXPECT_EQ(std::string::npos, text.find('\n')) << text;
    EXPECT_NE('#', text[0]) << text;
    std::string back;
    ASSERT_TRUE(UnescapeJournalName(text, &back)) << text;
    EXPECT_EQ(name, back);
  }
  // Readable where it can be: UTF-8 stays, other high bytes are escaped.
  EXPECT_EQ("utf8 \xC3\xA9t\xC3\xA9", Escaped("utf8 \xC3\xA9t\xC3\xA9"));
  EXPECT_EQ("latin1 \\xE9t\\xE9", Escaped("latin1 \xE9t\xE9"));
  EXPECT_EQ("a#b", Escaped("a#b"));
  EXPECT_EQ("#b", Escaped("#b", false));
}

TEST(JournalNameTest, MalformedEscapesAreRefused) {
  for (const char* bad : {"a\\", "a\\q", "a\\x4", "a\\xZZ", "a\tb"}) {
    std::string out;
    EXPECT_FALSE(UnescapeJournalName(bad, &out)) << bad;
  }
}

class UndoJournalTest : public ::testing::Test {
 protected:
  std::string Path() { return dir.File("undo.log"); }
  TempDir dir;
  Error e;
};

TEST_F(UndoJournalTest, WrittenStepsReadBackInOrder) {
  {
    ArchiveLocations locations;
    locations.SetRoot(StrPtr("/srv/root\twith tab"));
    locations.AddDirectory(StrPtr("/data/more"));
    locations.AddDepotMap(StrPtr("/data/more/spec/..."));
    UndoJournalWriter w;
    w.Create(StrPtr(Path().c_str()), &locations, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    w.AddMkDir(StrPtr("d/new"));
    w.AddMove(StrPtr("d/Old\nname"), StrPtr("d/new/name"));
    w.AddNotMoved(StrPtr("x"), StrPtr("y"), 1);
    w.AddRmDir(StrPtr("#d"));
    // Nothing reaches the file before the sync.
    EXPECT_EQ(std::string::npos, ReadFile(Path()).find("d/new"));
    w.Sync(&e);
    EXPECT_NE(std::string::npos, ReadFile(Path()).find("#mkdir\td/new\n"));
    w.Finish(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }
  // The journal lists every archive: for its owner only.
  struct stat sb;
  ASSERT_EQ(0, stat(Path().c_str(), &sb));
  EXPECT_EQ(0600u, sb.st_mode & 0777);
  UndoJournal j;
  ReadUndoJournal(StrPtr(Path().c_str()), &j, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_TRUE(j.finished);
  EXPECT_EQ("/srv/root\twith tab", j.root);
  EXPECT_EQ(std::vector<std::string>{"/data/more"}, j.locations);
  ASSERT_EQ(1u, j.depotTops.size());
  EXPECT_EQ(1, j.depotTops[0].first);
  EXPECT_EQ("spec", j.depotTops[0].second);
  ASSERT_EQ(4u, j.steps.size());
  EXPECT_EQ(UndoStep::kMkDir, j.steps[0].kind);
  EXPECT_EQ("d/new", j.steps[0].from);
  EXPECT_EQ(UndoStep::kMove, j.steps[1].kind);
  EXPECT_EQ("d/Old\nname", j.steps[1].from);
  EXPECT_EQ("d/new/name", j.steps[1].to);
  EXPECT_EQ(UndoStep::kNotMoved, j.steps[2].kind);
  EXPECT_EQ(1, j.steps[2].location);
  EXPECT_EQ(UndoStep::kRmDir, j.steps[3].kind);
  EXPECT_EQ("#d", j.steps[3].from);
}

TEST_F(UndoJournalTest, NeverWritesOverAnExistingFile) {
  WriteFile(Path(), "someone's file");
  ArchiveLocations locations;
  locations.SetRoot(StrPtr("/r"));
  UndoJournalWriter w;
  w.Create(StrPtr(Path().c_str()), &locations, &e);
  EXPECT_TRUE(e.Has(kMsgJournalFailed));
  EXPECT_EQ("someone's file", ReadFile(Path()));
}

// A journal is an input like any other: nothing in it is trusted until the
// whole of it has been read and found sound.
TEST_F(UndoJournalTest, OnlyASoundJournalIsRead) {
  const std::string head = "# ztmigrate undo journal\n#root\t/r\n";
  struct Case {
    std::string text;
    MessageId refusal;
    int line;  // named in the message, 0 for none
  };
  const std::vector<Case> cases = {
      {"", kMsgJournalNotJournal, 0},
      {"#root\t/r\na\tb\n#end\n", kMsgJournalNotJournal, 0},  // no header
      {"# ztmigrate undo journal\na\tb\n#end\n", kMsgJournalNotJournal, 0},  // no root
      {"# ztmigrate undo journal\n#end\n", kMsgJournalNotJournal, 0},
      {head + "a\tb\nonly-one-field\n", kMsgJournalBadLine, 4},
      {head + "#mkdir\td\t7\n", kMsgJournalBadLine, 3},  // no such location
      {head + "#chmod\td\n", kMsgJournalBadLine, 3},
      {head + "#root\t/other\n", kMsgJournalBadLine, 3},
      {head + "#end\na\tb\n", kMsgJournalBadLine, 4},
      {head + "../outside/stolen\t../outside/victim\n", kMsgJournalUnsafeName, 3},
      {head + "a\t/etc/victim\n", kMsgJournalUnsafeName, 3},
      {head + "#mkdir\td/../../x\n", kMsgJournalUnsafeName, 3},
      {head + "#rmdir\td//x\n", kMsgJournalUnsafeName, 3},
      {head + "#not-moved\t./a\tb\n", kMsgJournalUnsafeName, 3},
      {head + "#depot\t0\t..\n", kMsgJournalUnsafeName, 3},
      {"# ztmigrate undo journal\n#root\trelative\n", kMsgJournalUnsafeName, 2},
  };
  for (const Case& c : cases) {
    WriteFile(Path(), c.text);
    UndoJournal j;
    Error refused;
    ReadUndoJournal(StrPtr(Path().c_str()), &j, &refused);
    EXPECT_TRUE(refused.Has(c.refusal)) << c.text << " -> " << refused.Text();
    if (c.line) {
      EXPECT_NE(std::string::npos, refused.Text().find("line " + std::to_string(c.line)))
          << refused.Text();
    }
    EXPECT_TRUE(j.steps.empty());
  }

  // A last line cut off while it was written is dropped, and the journal
  // is then one of a run that did not finish.
  WriteFile(Path(), head + "a\tb\nc\td");
  UndoJournal j;
  ReadUndoJournal(StrPtr(Path().c_str()), &j, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  ASSERT_EQ(1u, j.steps.size());
  EXPECT_EQ("a", j.steps[0].from);
  EXPECT_FALSE(j.finished);

  Error missing;
  ReadUndoJournal(StrPtr(dir.File("none").c_str()), &j, &missing);
  EXPECT_TRUE(missing.Has(kMsgJournalUnreadable));
}

TEST_F(UndoJournalTest, UndoSkipsTakenAndGoneNamesAndReversesTheRest) {
  const std::string root = dir.File("root");
  Put(root + "/d/new/a", "moved a");
  Put(root + "/d/new/b", "moved b");
  Put(root + "/d/Old/b", "newcomer");  // b's old name is taken again
  Put(root + "/d/new/keep", "k");
  WriteFile(Path(), "# ztmigrate undo journal\n#root\t" + root +
                        "\n#mkdir\td/new\nd/Old/a\td/new/a\nd/Old/b\td/new/b\n"
                        "d/Old/c\td/new/c\nd/Old/x\td/new/x\n#not-moved\td/Old/x\td/new/x\n"
                        "#end\n");
  UndoCounts counts;
  testing::internal::CaptureStderr();
  UndoArchiveMoves(StrPtr(Path().c_str()), &counts, &e);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, counts.reversed);
  EXPECT_EQ(1, counts.taken);
  EXPECT_EQ(1, counts.gone);
  EXPECT_EQ(1, counts.notMade);
  EXPECT_TRUE(e.Has(kMsgUndoSkipped));
  EXPECT_FALSE(e.Has(kMsgJournalUnfinished));
  EXPECT_EQ("moved a", ReadFile(root + "/d/Old/a"));
  EXPECT_EQ("newcomer", ReadFile(root + "/d/Old/b"));
  EXPECT_EQ("moved b", ReadFile(root + "/d/new/b"));
  EXPECT_NE(std::string::npos, err.find("Not restored: d/new/b stays, since d/Old/b is taken\n"));
  EXPECT_NE(std::string::npos, err.find("Not restored: d/new/c is gone; nothing is at d/Old/c\n"));
  // The directory the run made stays while something is still in it.
  EXPECT_EQ("k", ReadFile(root + "/d/new/keep"));
}

TEST_F(UndoJournalTest, UndoFollowsNoLinkOutOfTheRoot) {
  const std::string root = dir.File("root");
  const std::string outside = dir.File("outside");
  Put(root + "/d/new/a", "moved a");
  Put(outside + "/victim", "v");
  // A directory of the journal swapped for a link after the run.
  ASSERT_EQ(0, symlink(outside.c_str(), (root + "/d/Old").c_str()));
  WriteFile(Path(), "# ztmigrate undo journal\n#root\t" + root +
                        "\nd/Old/a\td/new/a\n#mkdir\td/Old/sub\n");
  UndoCounts counts;
  testing::internal::CaptureStderr();
  UndoArchiveMoves(StrPtr(Path().c_str()), &counts, &e);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(0, counts.reversed);
  EXPECT_EQ(1, counts.failed);
  EXPECT_EQ("moved a", ReadFile(root + "/d/new/a"));
  EXPECT_EQ((std::set<std::string>{"victim"}), renametest::Tree(outside));
  // The journal had no closing line: the undo says so, with its count.
  EXPECT_TRUE(e.Has(kMsgJournalUnfinished));
  EXPECT_NE(std::string::npos,
            e.Text().find("the run that wrote it did not finish: 0 moves undone, the journal "
                          "may have lost its last lines"))
      << e.Text();
}

}  // namespace
