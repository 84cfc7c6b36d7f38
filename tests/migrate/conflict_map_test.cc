// The conflict map writer: the lines it makes from the path tree, their
// order and quoting, the preamble, and the verdict counter.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "map/translation_map.h"
#include "migrate/conflict_map.h"
#include "migrate/path_tree.h"
#include "support/files/filesys.h"
#include "test_util.h"

namespace {

class ConflictMapTest : public ::testing::Test {
 protected:
  void Add(const char* path) { tree.AddPath(path); }

  // Gives the run a -c file at path, opened for writing.
  void OpenConflictMap(const std::string& path) {
    conflictMap = FileSys::Create(kFileText);
    conflictMap->SetPath(StrPtr(path.c_str()));
    Error e;
    conflictMap->Open(kOpenWrite, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }

  // Loads the named file as the map in use.
  void LoadMap(const std::string& name) {
    std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
    file->SetPath(StrPtr(dir.File(name).c_str()));
    Error e;
    file->Open(kOpenRead, &e);
    map.Load(file.get(), &e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }

  // Writes the map into conflictMap (which may be null); the count in lines.
  void WriteMap(Error* e) { lines = WriteConflictMap(tree, head, &map, conflictMap.get(), e); }

  // Writes the map into a fresh file; returns its text after the preamble.
  std::string Write(const std::string& preamble = TranslationMap::kHeader) {
    OpenConflictMap(dir.File("conflict.map"));
    Error e;
    WriteMap(&e);
    EXPECT_FALSE(e.Test()) << e.Text();
    std::string text = testutil::ReadFile(dir.File("conflict.map"));
    EXPECT_EQ(text.substr(0, preamble.size()), preamble);
    return text.size() >= preamble.size() ? text.substr(preamble.size()) : text;
  }

  testutil::TempDir dir;
  PathTree tree;
  TranslationMap map{true};
  bool head = false;  // -p head
  std::unique_ptr<FileSys> conflictMap;
  ConflictMapLines lines;
};

TEST_F(ConflictMapTest, NoConflictsGivesTheHeaderOnly) {
  Add("//depot/a/b.c");
  Add("//depot/a/b.c");
  Add("//depot/c");
  EXPECT_EQ(Write(), "");
  EXPECT_EQ(lines.count, 0);
}

TEST_F(ConflictMapTest, DirectoryConflictUsesMostCommonSpelling) {
  Add("//Depot/x.c");
  Add("//depot/x.c");
  Add("//depot/y.c");
  EXPECT_EQ(Write(), "//depot/... //depot/...\n");
  EXPECT_EQ(lines.count, 1);
}

TEST_F(ConflictMapTest, FileLineComesBeforeDirectoryLine) {
  Add("//depot/A");
  Add("//depot/a/b");
  EXPECT_EQ(Write(), "//depot/A //depot/A\n//depot/A/... //depot/A/...\n");
}

TEST_F(ConflictMapTest, DepthFirstOrderWithChosenParents) {
  // Parents before children, siblings in ascending lowered order, each
  // component of a path in its own entry's chosen spelling.
  Add("//depot/Zed/f");
  Add("//depot/zed/f");
  Add("//depot/zed/g");
  Add("//depot/Main/Sub/F");
  Add("//depot/main/sub/f");
  Add("//depot/main/sub/f");
  Add("//Depot/main/x");
  EXPECT_EQ(Write(),
            "//depot/... //depot/...\n"
            "//depot/main/... //depot/main/...\n"
            "//depot/main/sub/... //depot/main/sub/...\n"
            "//depot/main/sub/f //depot/main/sub/f\n"
            "//depot/zed/... //depot/zed/...\n");
}

TEST_F(ConflictMapTest, PathsWithWhiteSpaceAreQuoted) {
  Add("//depot/My Docs/a");
  Add("//depot/my docs/b");
  Add("//depot/T\tab/x");
  Add("//depot/t\tab/y");
  EXPECT_EQ(Write(),
            "\"//depot/My Docs/...\" \"//depot/My Docs/...\"\n"
            "\"//depot/T\tab/...\" \"//depot/T\tab/...\"\n");
}

TEST_F(ConflictMapTest, HeadPolicyChoosesHeadAliases) {
  head = true;
  Add("//depot/Main/a");
  Add("//depot/main/a");
  Add("//depot/main/b");
  Add("//depot/Rel/a");
  Add("//depot/REL/a");
  tree.MarkHead("//depot/Main/a");
  // main is marked Main although main is more common; rel was never
  // marked and keeps its first alias.
  EXPECT_EQ(Write(), "//depot/Main/... //depot/Main/...\n//depot/Rel/... //depot/Rel/...\n");
}

TEST_F(ConflictMapTest, EntriesWithoutAliasesMakeNoLines) {
  Add("//depot/Q/x");
  Add("//depot/q/X");
  // A head path through a wildcard creates entries that were never entered.
  head = true;
  tree.MarkHead("//depot/*/X");
  EXPECT_EQ(Write(),
            "//depot/Q/... //depot/Q/...\n"
            "//depot/Q/x //depot/Q/x\n");
}

TEST_F(ConflictMapTest, WithoutAConflictMapFileOnlyTheCounterIsSet) {
  Add("//Depot/x");
  Add("//depot/x");
  Error e;
  WriteMap(&e);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(lines.count, 1);
}

TEST_F(ConflictMapTest, ReRunKeepsTheEditedMapAndAddsTheTrailer) {
  std::string mapText = "# edited\n//depot/... //Depot/...\n";
  testutil::WriteFile(dir.File("t.map"), mapText);
  LoadMap("t.map");
  Add("//Depot/a/x");
  Add("//Depot/A/y");
  EXPECT_EQ(Write(mapText + TranslationMap::kTrailer), "//Depot/a/... //Depot/a/...\n");
}

TEST_F(ConflictMapTest, EmptyTranslationMapBehavesLikeAFirstRun) {
  testutil::WriteFile(dir.File("empty.map"), "");
  LoadMap("empty.map");
  EXPECT_EQ(Write(), "");
}

TEST_F(ConflictMapTest, WriteFailureIsAnErrorAfterTheCounterIsSet) {
  Add("//Depot/x");
  Add("//depot/x");
  OpenConflictMap("/dev/full");
  Error e;
  WriteMap(&e);
  EXPECT_TRUE(e.Test());
  EXPECT_EQ(lines.count, 1);
}

TEST_F(ConflictMapTest, DeepPathsGiveOneLinePerLevel) {
  std::string upper = "/", lower = "/";
  for (int i = 0; i < 3000; ++i) {
    upper += "/D";
    lower += "/d";
  }
  Add(upper.c_str());
  Add(lower.c_str());
  OpenConflictMap(dir.File("deep.map"));
  Error e;
  WriteMap(&e);
  ASSERT_FALSE(e.Test());
  std::string text = testutil::ReadFile(dir.File("deep.map"));
  // One directory line per level but the last, which is a file line.
  size_t lines = 0;
  for (char c : text.substr(strlen(TranslationMap::kHeader))) lines += c == '\n';
  EXPECT_EQ(lines, 3000u);
}

}  // namespace
