// Hostile map patterns and paths: patterns dense with wildcards against long
// paths that almost match (backtracking must stay polynomial and still find
// the same first match), patterns over the wildcard limits, and a path of
// 100000 components translated through a prefix mapping.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "map/map_disambiguate.h"
#include "map/map_pattern.h"
#include "map/translation_map.h"
#include "map/view_map.h"
#include "support/files/filesys.h"
#include "test_util.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Capture(const StrPtr& path, const MapCaptures& caps, int slot) {
  if (caps.start[slot] < 0) return "<unset>";
  return std::string(path.Text() + caps.start[slot], caps.end[slot] - caps.start[slot]);
}

TEST(MapPatternHostileTest, TenStarsOverALongNearMissAreQuick) {
  MapSide side;
  side.Parse(StrPtr("//depot/*a*a*a*a*a*a*a*a*a*b"));
  ASSERT_TRUE(side.Usable());
  StrBuf path;
  path.Set(("//depot/" + std::string(300, 'a') + "c").c_str());
  MapCaptures caps;
  caps.Reset();
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(side.Match(path, &caps, 0));
  EXPECT_LT(Seconds(t0), 2.0);

  // The same pattern on a path that matches: each star takes as much as it
  // can, the earliest first.
  path.Set(("//depot/" + std::string(300, 'a') + "b").c_str());
  caps.Reset();
  t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(side.Match(path, &caps, 0));
  EXPECT_LT(Seconds(t0), 2.0);
  EXPECT_EQ(Capture(path, caps, kStarSlotBase), std::string(291, 'a'));
  EXPECT_EQ(Capture(path, caps, kStarSlotBase + 9), "");
}

TEST(MapPatternHostileTest, TenDotsOverALongNearMissAreQuick) {
  MapSide side;
  side.Parse(StrPtr("//depot/.../x...x...x...x...x...x...x...x...x.../y"));
  ASSERT_TRUE(side.Usable());
  std::string text = "//depot/";
  for (int i = 0; i < 200; ++i) text += "x/";
  StrBuf miss;
  miss.Set((text + "z").c_str());
  MapCaptures caps;
  caps.Reset();
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(side.Match(miss, &caps, 0));
  EXPECT_LT(Seconds(t0), 2.0);

  StrBuf hit;
  hit.Set((text + "y").c_str());
  caps.Reset();
  ASSERT_TRUE(side.Match(hit, &caps, 0));
  // The first "..." takes all but what the nine "x" and the "/y" need.
  EXPECT_EQ(Capture(hit, caps, kDotsSlotBase).size(), 400u - 19u);
}

TEST(MapPatternHostileTest, PatternsOverTheWildcardLimitsAreRefused) {
  ViewMap map;
  std::string eleven = "//depot/a/*a*b*c*d*e*f*g*h*i*j*k";
  EXPECT_FALSE(map.Insert(StrPtr(eleven.c_str()), StrPtr(eleven.c_str()), IncludeMapping));
  std::string elevenDots = "//depot/...a...b...c...d...e...f...g...h...i...j...k";
  EXPECT_FALSE(map.Insert(StrPtr(elevenDots.c_str()), StrPtr(elevenDots.c_str()), IncludeMapping));
  std::string twentyOne = "//d/%%1*%%2*%%3*%%4*%%5*%%6*%%7*%%8*%%9*%%0*...";
  EXPECT_FALSE(map.Insert(StrPtr(twentyOne.c_str()), StrPtr(twentyOne.c_str()), IncludeMapping));
  std::string ten = "//depot/a/*a*b*c*d*e*f*g*h*i*j";
  EXPECT_TRUE(map.Insert(StrPtr(ten.c_str()), StrPtr(ten.c_str()), IncludeMapping));
  EXPECT_EQ(map.Count(), 1);
}

TEST(MapPatternHostileTest, HundredThousandComponentPathTranslatesInLinearTime) {
  testutil::TempDir dir;
  std::string name = dir.File("trans.map");
  testutil::WriteFile(name, "//depot/... //DEPOT/...\n");
  std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
  file->SetPath(StrPtr(name.c_str()));
  Error e;
  file->Open(kOpenRead, &e);
  TranslationMap map(true);
  map.Load(file.get(), &e);
  ASSERT_FALSE(e.Test()) << e.Text();

  std::string deep = "//depot/";
  for (int i = 0; i < 100000; ++i) deep += "d/";
  deep += "f.c";
  StrBuf path, out;
  path.Set(deep.c_str());
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(map.TranslatePath(path, &out));
  EXPECT_LT(Seconds(t0), 2.0);
  EXPECT_EQ(out.ToString(), "//DEPOT/" + deep.substr(8));
}

}  // namespace

namespace {

// Lines dense with "..." and "*" (found by fuzzing) whose disambiguation
// met exponential backtracking in the duplicate check of every exclusion.
TEST(MapPatternHostileTest, DenseWildcardMapDisambiguatesInBoundedTime) {
  std::string text = testutil::ReadFile(std::string(ZT_TEST_DATA_DIR) + "/map/disambiguate_blowup.bin");
  ASSERT_FALSE(text.empty());
  ViewMap map;
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    StrBuf l, r;
    l.Set(lines[i].data(), static_cast<uint32_t>(lines[i].size()));
    r.Set(lines[i + 1].data(), static_cast<uint32_t>(lines[i + 1].size()));
    map.Insert(l, r, IncludeMapping);
  }
  auto t0 = std::chrono::steady_clock::now();
  Disambiguate(&map, 8);
  EXPECT_LT(Seconds(t0), 10.0);
  EXPECT_GT(map.Count(), 0);
}

}  // namespace
