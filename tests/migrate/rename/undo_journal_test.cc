#include "migrate/rename/undo_journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    UndoJournalWriter w;
    w.Create(StrPtr(Path().c_str()), StrPtr("/srv/root\twith tab"), &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    w.AddMkDir(StrPtr("d/new"));
    w.AddMove(StrPtr("d/Old\nname"), StrPtr("d/new/name"));
    w.AddNotMoved(StrPtr("x"), StrPtr("y"));
    w.AddRmDir(StrPtr("#d"));
    // Nothing reaches the file before the sync.
    EXPECT_EQ(std::string::npos, ReadFile(Path()).find("d/new"));
    w.Sync(&e);
    EXPECT_NE(std::string::npos, ReadFile(Path()).find("#mkdir\td/new\n"));
    w.Close(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }
  std::string root;
  std::vector<UndoStep> steps;
  ReadUndoJournal(StrPtr(Path().c_str()), &root, &steps, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ("/srv/root\twith tab", root);
  ASSERT_EQ(4u, steps.size());
  EXPECT_EQ(UndoStep::kMkDir, steps[0].kind);
  EXPECT_EQ("d/new", steps[0].from);
  EXPECT_EQ(UndoStep::kMove, steps[1].kind);
  EXPECT_EQ("d/Old\nname", steps[1].from);
  EXPECT_EQ("d/new/name", steps[1].to);
  EXPECT_EQ(UndoStep::kNotMoved, steps[2].kind);
  EXPECT_EQ(UndoStep::kRmDir, steps[3].kind);
  EXPECT_EQ("#d", steps[3].from);
}

TEST_F(UndoJournalTest, NeverWritesOverAnExistingFile) {
  WriteFile(Path(), "someone's file");
  UndoJournalWriter w;
  w.Create(StrPtr(Path().c_str()), StrPtr("/r"), &e);
  EXPECT_TRUE(e.Has(kMsgJournalFailed));
  EXPECT_EQ("someone's file", ReadFile(Path()));
}

TEST_F(UndoJournalTest, ACutOffLastLineIsDroppedAndABadLineRefused) {
  WriteFile(Path(), "#root\t/r\na\tb\nc\td");
  std::string root;
  std::vector<UndoStep> steps;
  ReadUndoJournal(StrPtr(Path().c_str()), &root, &steps, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  ASSERT_EQ(1u, steps.size());
  EXPECT_EQ("a", steps[0].from);

  WriteFile(Path(), "#root\t/r\na\tb\nonly-one-field\n");
  steps.clear();
  ReadUndoJournal(StrPtr(Path().c_str()), &root, &steps, &e);
  EXPECT_TRUE(e.Has(kMsgJournalBadLine));
  EXPECT_NE(std::string::npos, e.Text().find("line 3")) << e.Text();

  Error missing;
  ReadUndoJournal(StrPtr(dir.File("none").c_str()), &root, &steps, &missing);
  EXPECT_TRUE(missing.Has(kMsgJournalUnreadable));
}

TEST_F(UndoJournalTest, UndoSkipsTakenAndGoneNamesAndReversesTheRest) {
  const std::string root = dir.File("root");
  Put(root + "/d/new/a", "moved a");
  Put(root + "/d/new/b", "moved b");
  Put(root + "/d/Old/b", "newcomer");  // b's old name is taken again
  Put(root + "/d/new/keep", "k");
  WriteFile(Path(), "#root\t" + root +
                        "\n#mkdir\td/new\nd/Old/a\td/new/a\nd/Old/b\td/new/b\n"
                        "d/Old/c\td/new/c\nd/Old/x\td/new/x\n#not-moved\td/Old/x\td/new/x\n");
  UndoCounts counts;
  testing::internal::CaptureStderr();
  UndoArchiveMoves(StrPtr(Path().c_str()), &counts, &e);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, counts.reversed);
  EXPECT_EQ(1, counts.taken);
  EXPECT_EQ(1, counts.gone);
  EXPECT_EQ(1, counts.notMade);
  EXPECT_TRUE(e.Has(kMsgUndoSkipped));
  EXPECT_EQ("moved a", ReadFile(root + "/d/Old/a"));
  EXPECT_EQ("newcomer", ReadFile(root + "/d/Old/b"));
  EXPECT_EQ("moved b", ReadFile(root + "/d/new/b"));
  EXPECT_NE(std::string::npos, err.find("Not restored: d/new/b stays, since d/Old/b is taken\n"));
  EXPECT_NE(std::string::npos, err.find("Not restored: d/new/c is gone; nothing is at d/Old/c\n"));
  // The directory the run made stays while something is still in it.
  EXPECT_EQ("k", ReadFile(root + "/d/new/keep"));
}

}  // namespace
