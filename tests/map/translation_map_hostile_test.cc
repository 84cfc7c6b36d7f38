// Long translation maps: many lines in one partition (disambiguation joins
// every pair of a partition, so the size is capped to keep the test fast)
// and 100000 lines each in a partition of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

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
  std::unique_ptr<FileSys> file = FileSys::Create(FST_TEXT);
  file->SetPath(StrPtr(name.c_str()));
  file->Open(FOM_READ, e);
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

TEST(TranslationMapHostileTest, ThousandsOfLinesInOnePartition) {
  const int kLines = 5000;
  std::string text;
  for (int i = 0; i < kLines; ++i)
    text += "//depot/main/d" + std::to_string(i) + "/... //depot/main/D" + std::to_string(i) + "/...\n";
  // A later, overlapping line wins over the earlier ones it covers.
  text += "//depot/main/d7/x/... //depot/main/d7/X/...\n";
  Error e;
  auto t0 = std::chrono::steady_clock::now();
  std::unique_ptr<TranslationMap> map = LoadMap(text, &e);
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_LT(secs, 10.0);
  EXPECT_EQ(map->PartitionCount(), 1);
  EXPECT_EQ(map->MappingCount(), kLines + 1);
  EXPECT_EQ(Translate(map.get(), "//depot/main/d0/a.c"), "//depot/main/D0/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d4999/a.c"), "//depot/main/D4999/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d7/x/a.c"), "//depot/main/d7/X/a.c");
  EXPECT_EQ(Translate(map.get(), "//depot/main/d5000/a.c"), "<none>");
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
