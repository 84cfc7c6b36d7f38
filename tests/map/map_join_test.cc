#include "map/map_disambiguate.h"
#include "map/map_join.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records, for each intersection, the second pattern expanded with its
// captures, and the joined text.
class RecordingJoiner : public Joiner {
 public:
  RecordingJoiner(const MapSide* first, const MapSide* second) : first(first), second(second) {}
  void Joined() override {
    StrBuf out;
    second->Expand(*this, secondCaptures, &out, 0);
    expanded.push_back(out.ToString());
    first->Expand(*this, firstCaptures, &out, 0);
    expandedFirst.push_back(out.ToString());
    joined.push_back(ToString());
    int st = firstCaptures.start[kDotsSlotBase];
    firstDots.push_back(st < 0 ? "<unset>" : std::string(Text() + st, firstCaptures.end[kDotsSlotBase] - st));
  }
  std::vector<std::string> firstDots;
  const MapSide* first;
  const MapSide* second;
  std::vector<std::string> expanded;
  std::vector<std::string> expandedFirst;
  std::vector<std::string> joined;
};

std::vector<std::string> JoinExpand(const char* first, const char* second, RecordingJoiner** keep = nullptr) {
  static MapSide a, b;
  a.Parse(first);
  b.Parse(second);
  static RecordingJoiner* j = nullptr;
  delete j;
  j = new RecordingJoiner(&a, &b);
  j->Join(a, b);
  if (keep) *keep = j;
  return j->expanded;
}

using Strings = std::vector<std::string>;

TEST(MapJoinTest, IntersectionsOfPatterns) {
  EXPECT_EQ(JoinExpand("//depot/...", "//depot/a/..."), Strings({"//depot/a/..."}));
  EXPECT_EQ(JoinExpand("//depot/.../x.c", "//depot/a/..."),
            Strings({"//depot/a/x.c", "//depot/a/.../x.c"}));
  EXPECT_EQ(JoinExpand("//depot/*/x", "//depot/a/*"), Strings({"//depot/a/x"}));
  EXPECT_EQ(JoinExpand("//depot/a*", "//depot/*b"), Strings({"//depot/a%%1b"}));
  EXPECT_EQ(JoinExpand("//depot/a", "//depot/b"), Strings());
  // Literal parts are matched ignoring ASCII case.
  EXPECT_EQ(JoinExpand("//DEPOT/x/...", "//depot/X/y"), Strings({"//depot/X/y"}));
  // A "*" never takes a slash; "..." does.
  EXPECT_EQ(JoinExpand("//d/*", "//d/a/b"), Strings());
  EXPECT_EQ(JoinExpand("//d/...", "//d/a/b"), Strings({"//d/a/b"}));
  // No intersection when the two fixed prefixes disagree.
  EXPECT_EQ(JoinExpand("//d/a/...", "//d/b/..."), Strings());
}

TEST(MapJoinTest, FirstPatternCapturesAreConsistent) {
  RecordingJoiner* j = nullptr;
  JoinExpand("//depot/.../x.c", "//depot/a/...", &j);
  ASSERT_EQ(j->joined.size(), 2u);
  // Second intersection: joined text "a/.../x.c"; the first pattern's "..."
  // took "a/..." and the second's took ".../x.c".
  EXPECT_EQ(j->joined[0], "ax.c");
  EXPECT_EQ(j->joined[1], "a/.../x.c");
  EXPECT_EQ(j->firstDots, Strings({"a", "a/..."}));
  // Either pattern expanded with its own captures names the intersection.
  EXPECT_EQ(j->expandedFirst, j->expanded);

  JoinExpand("//d/*x*/...", "//d/a*/*b", &j);
  ASSERT_FALSE(j->expanded.empty());
  EXPECT_EQ(j->expandedFirst, j->expanded);
  JoinExpand("//d/%%1/%%2/...", "//d/.../x/*", &j);
  ASSERT_FALSE(j->expanded.empty());
  EXPECT_EQ(j->expandedFirst, j->expanded);
}

TEST(MapJoinTest, ManyWildcardsStopOrFinishWithoutOverflow) {
  std::string a = "//d", b = "//d";
  for (int i = 0; i < 10; ++i) {
    a += "/*";
    b += "/*";
  }
  RecordingJoiner* j = nullptr;
  JoinExpand(a.c_str(), b.c_str(), &j);
  EXPECT_FALSE(j->tooManyWildcards);
  ASSERT_EQ(j->expanded.size(), 1u);
  // Ten new wildcards: the tenth is %%0 so that each reads back as one slot.
  EXPECT_EQ(j->expanded[0], "//d/%%1/%%2/%%3/%%4/%%5/%%6/%%7/%%8/%%9/%%0");
  MapSide back;
  back.Parse(StrPtr(j->expanded[0].c_str()));
  EXPECT_EQ(back.WildcardCount(), 10);

  std::string c = "//d/" + std::string(10, '*') + "x";
  std::string d = "//d/" + std::string(10, '*') + "x";
  // Exponentially many overlaps: the join gives up after a bounded number
  // of steps instead of running for minutes.
  JoinExpand(c.c_str(), d.c_str(), &j);
  EXPECT_TRUE(j->tooManyWildcards);

  std::string e = "//d", f = "//d";
  for (int i = 0; i < 10; ++i) {
    e += "/...";
    f += "/...";
  }
  JoinExpand(e.c_str(), f.c_str(), &j);
  EXPECT_FALSE(j->expanded.empty());
}

std::vector<std::string> Entries(const ViewMap& map) {
  std::vector<std::string> out;
  for (const MapEntry* e = map.Head(); e; e = e->next)
    out.push_back(std::string(e->kind == ExcludeMapping ? "-" : "") + e->left.Text().ToString() + " " +
                  e->right.Text().ToString() + " " + std::to_string(e->slot));
  return out;
}

TEST(DisambiguateTest, ExclusionsSitBetweenTheLines) {
  ViewMap map;
  map.Insert("//depot/x/...", "//Depot/X/...", IncludeMapping);
  map.Insert("//depot/x/y/...", "//depot/x/Y/...", IncludeMapping);
  Disambiguate(&map, 8);
  EXPECT_EQ(Entries(map), Strings({"//depot/x/y/... //depot/x/Y/... 3",
                                   "-//depot/x/y/... //Depot/X/y/... 2",
                                   "-//depot/x/Y/... //Depot/X/Y/... 1",
                                   "//depot/x/... //Depot/X/... 0"}));
  StrBuf out;
  ASSERT_NE(map.Translate(0, "//depot/x/y/f", &out), nullptr);
  EXPECT_EQ(out.ToString(), "//depot/x/Y/f");
  ASSERT_NE(map.Translate(0, "//depot/x/z/f", &out), nullptr);
  EXPECT_EQ(out.ToString(), "//Depot/X/z/f");
}

TEST(DisambiguateTest, EarlierLineLosesTargetsClaimedByLaterLine) {
  ViewMap map;
  map.Insert("//depot/x/a/...", "//depot/x/c/...", IncludeMapping);
  map.Insert("//depot/x/b/...", "//depot/x/c/...", IncludeMapping);
  Disambiguate(&map, 8);
  StrBuf out;
  EXPECT_EQ(map.Translate(0, "//depot/x/a/f", &out), nullptr);
  ASSERT_NE(map.Translate(0, "//depot/x/b/f", &out), nullptr);
  EXPECT_EQ(out.ToString(), "//depot/x/c/f");
}

TEST(DisambiguateTest, VariantMapsKeepEveryTranslation) {
  // With sides that are case variants, disambiguation changes nothing.
  const char* lines[][2] = {{"//depot/...", "//Depot/..."},
                            {"//depot/main/...", "//Depot/Main/..."},
                            {"//depot/main/*.c", "//Depot/Main/*.C"},
                            {"//depot/main/src/...", "//DEPOT/main/SRC/..."},
                            {"//depot/rel/%%1/...", "//depot/REL/%%1/..."}};
  ViewMap plain, dis;
  for (auto& l : lines) {
    plain.Insert(l[0], l[1], IncludeMapping);
    dis.Insert(l[0], l[1], IncludeMapping);
  }
  Disambiguate(&dis, 8);
  EXPECT_GT(dis.Count(), plain.Count());
  const char* paths[] = {"//depot/a", "//depot/main/x.c", "//depot/main/x.h", "//depot/main/src/a.c",
                         "//depot/rel/r1/f", "//DEPOT/MAIN/SRC/b", "//depot/main/src"};
  for (const char* p : paths) {
    StrBuf a, b;
    bool ta = plain.Translate(0, p, &a) != nullptr;
    bool tb = dis.Translate(0, p, &b) != nullptr;
    EXPECT_EQ(ta, tb) << p;
    EXPECT_EQ(a.ToString(), b.ToString()) << p;
  }
}

TEST(DisambiguateTest, LeftWildcardMissingOnTheRightStillExcludes) {
  // Not a variant map: the left "*" has no counterpart on the right. The
  // exclusion derived from the right sides keeps the "*" as it is.
  ViewMap map;
  map.Insert("//d/*/f", "//d/t/f", IncludeMapping);
  map.Insert("//d/b/f", "//d/t/f", IncludeMapping);
  Disambiguate(&map, 8);
  StrBuf out;
  EXPECT_EQ(map.Translate(0, "//d/a/f", &out), nullptr);
  ASSERT_NE(map.Translate(0, "//d/b/f", &out), nullptr);
  EXPECT_EQ(out.ToString(), "//d/t/f");
}

}  // namespace

namespace {

TEST(MapJoinTest, BothPatternsExpandToTheSameIntersection) {
  // For every intersection, the first pattern expanded with its captures and
  // the second expanded with its own must name the same pattern.
  const char* pieces[] = {"a", "b", "/", "*", "...", "%%1", "%%2", "x*"};
  uint32_t seed = 7;
  auto next = [&seed]() { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7fff; };
  auto make = [&]() {
    std::string p = "//d/";
    int n = 1 + next() % 5;
    bool used1 = false, used2 = false;
    for (int i = 0; i < n; ++i) {
      std::string piece = pieces[next() % 8];
      if ((piece == "%%1" && used1) || (piece == "%%2" && used2)) continue;
      used1 |= piece == "%%1";
      used2 |= piece == "%%2";
      p += piece;
    }
    return p;
  };
  int intersections = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string x = make(), y = make();
    RecordingJoiner* j = nullptr;
    JoinExpand(x.c_str(), y.c_str(), &j);
    intersections += static_cast<int>(j->expanded.size());
    ASSERT_EQ(j->expandedFirst, j->expanded) << x << " with " << y;
  }
  EXPECT_GT(intersections, 1000);
}

}  // namespace
