// Long translation maps: 100000 lines in one partition, as a flat list and
// as a tree of nested directories, and 100000 lines each in a partition of
// its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "map/translation_map.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "test_util.h"

namespace {

// Loads the text as a map file; the load's error is returned in e.
std::unique_ptr<TranslationMap> LoadMap(const std::string& text, Error* e) {
  testutil::TempDir dir;
  std::string name = dir.File("trans.map");
  testutil::WriteFile(name, text);
  std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
  file->SetPath(StrPtr(name.c_str()));
  file->Open(kOpenRead, e);
  auto map = std::make_unique<TranslationMap>(true);
  map->Load(file.get(), e);
  Error ignored;
  file->Close(&ignored);
  return map;
}

std::string Translate(TranslationMap* map, const std::string& path) {
  StrBuf in, out;
  in.Set(path.c_str());
  return map->TranslatePath(in, &out) ? out.ToString() : "<none>";
}

TEST(TranslationMapHostileTest, HundredThousandSiblingLinesInOnePartition) {
  const int kLines = 100000;
  std::string text;
  for (int i = 0; i < kLines; ++i)
    text += "//depot/main/d" + std::to_string(i) + "/... //depot/main/D" + std::to_string(i) + "/...\n";
  // A later, overlapping line wins over the earlier ones it covers.
  text += "//depot/main/d7/x/... //depot/main/D7/X/...\n";
  Error e;
  std::unique_ptr<TranslationMap> map = LoadMap(text, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(map->PartitionCount(), 1);
  EXPECT_EQ(map->MappingCount(), kLines + 1);
  EXPECT_EQ(Translate(map.get(), "//depot/main/d0/a.c"), "//depot/main/D0/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d99999/a.c"), "//depot/main/D99999/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d7/x/a.c"), "//depot/main/D7/X/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d7/y/a.c"), "//depot/main/D7/y/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d100000/a.c"), "<none>");
}

TEST(TranslationMapHostileTest, HundredThousandNestedLinesInOnePartition) {
  // Directories six deep, six subdirectories and twenty files each, parents
  // before children, every line re-spelling only its own name; lines of the
  // form ".../dir3/..." are what a conflict map of a big depot holds.
  struct Dir {
    std::string left, right;
    int depth;
  };
  std::vector<Dir> stack{{"//depot/main", "//Depot/Main", 0}};
  std::string text;
  int lines = 0;
  std::string deepest;
  while (!stack.empty() && lines < 100000) {
    Dir d = stack.back();
    stack.pop_back();
    text += d.left + "/... " + d.right + "/...\n";
    ++lines;
    if (d.depth == 6 && deepest.empty()) deepest = d.left;
    for (int f = 0; f < 20 && lines < 100000; ++f, ++lines)
      text += d.left + "/f" + std::to_string(f) + ".c " + d.right + "/F" + std::to_string(f) + ".c\n";
    if (d.depth < 6)
      for (int c = 5; c >= 0; --c)
        stack.push_back(Dir{d.left + "/dir" + std::to_string(c), d.right + "/Dir" + std::to_string(c), d.depth + 1});
  }
  Error e;
  std::unique_ptr<TranslationMap> map = LoadMap(text, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(map->PartitionCount(), 1);
  EXPECT_EQ(map->MappingCount(), 100000);
  // Each line needs exclusions only for the lines just beneath it.
  EXPECT_LT(map->TotalEntries(), 400000);
  EXPECT_EQ(Translate(map.get(), "//depot/main/dir0/dir1/f3.c"), "//Depot/Main/Dir0/Dir1/F3.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/dir0/dir1/other.c"), "//Depot/Main/Dir0/Dir1/other.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/dir0/new/f3.c"), "//Depot/Main/Dir0/new/f3.c");
  ASSERT_FALSE(deepest.empty());
  std::string want = "//Depot/Main" + deepest.substr(12);
  for (size_t at = want.find("/dir"); at != std::string::npos; at = want.find("/dir", at + 1)) want[at + 1] = 'D';
  EXPECT_EQ(Translate(map.get(), deepest + "/f0.c"), want + "/F0.c");
}

TEST(TranslationMapHostileTest, HundredThousandPartitions) {
  const int kLines = 100000;
  std::string text;
  for (int i = 0; i < kLines; ++i)
    text += "//depot/d" + std::to_string(i) + "/... //depot/D" + std::to_string(i) + "/...\n";
  Error e;
  std::unique_ptr<TranslationMap> map = LoadMap(text, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(map->PartitionCount(), kLines);
  EXPECT_EQ(map->Lines().Count(), kLines);
  EXPECT_EQ(Translate(map.get(), "//depot/d99999/f"), "//depot/D99999/f");
  EXPECT_EQ(Translate(map.get(), "//DEPOT/D12345/f"), "//depot/D12345/f");
}

}  // namespace
