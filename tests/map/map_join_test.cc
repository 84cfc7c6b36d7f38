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

namespace {

// The plain definition: every entry is joined with every later one.
void DisambiguateEveryPair(ViewMap* map, int window) {
  ViewMap r(map->CaseMode());
  r.SetDupWindow(window);
  MapDisambiguate joiner(&r);
  for (const MapEntry* s = map->Head(); s; s = s->next) {
    if (s->kind == ExcludeMapping) continue;
    joiner.entry0 = s;
    for (const MapEntry* p = map->Head(); p != s; p = p->next) {
      joiner.entry1 = p;
      joiner.Join(p->left, s->left);
      joiner.Join(p->right, s->right);
    }
    r.Insert(s->left.Text(), s->right.Text(), s->kind);
  }
  r.Reverse();
  map->Clear();
  map->TakeEntries(&r);
}

// Texts a pattern matches, or nearly does: each wildcard filled a few ways,
// and the result also in upper case.
std::vector<std::string> Probes(const std::string& pattern) {
  const char* fills[][3] = {{"", "x", "x/y"}, {"", "q", "ab"}, {"b", "b", "zz"}};
  std::vector<std::string> out;
  for (int f = 0; f < 3; ++f) {
    std::string t;
    for (size_t i = 0; i < pattern.size();) {
      if (pattern.compare(i, 3, "...") == 0) {
        t += fills[0][f];
        i += 3;
      } else if (pattern[i] == '*') {
        t += fills[1][f];
        i += 1;
      } else if (pattern.compare(i, 2, "%%") == 0 && i + 2 < pattern.size()) {
        t += fills[2][f];
        i += 3;
      } else {
        t += pattern[i++];
      }
    }
    out.push_back(t);
    for (char& c : t) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    out.push_back(t);
  }
  return out;
}

std::string TranslateOrNone(ViewMap* map, int side, const std::string& path) {
  StrBuf out;
  return map->Translate(side, StrPtr(path.c_str()), &out) ? out.ToString() : "<none>";
}

TEST(DisambiguateTest, SameTranslationsAsJoiningEveryPair) {
  // Nested, sibling and case-variant prefixes, directory lines, wildcards
  // inside and at the start of the literal part, exclusions, duplicates,
  // and right sides that are not variants of the left, in both case modes.
  // The probes fill in every side of the every-pair result, exclusions
  // included, so each exclusion is looked up in both directions.
  const char* pieces[] = {"a", "A", "b", "ab", "/", "/", "*", "...", "%%1", "B/"};
  uint32_t seed = 11;
  auto next = [&seed]() { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7fff; };
  auto make = [&]() {
    std::string p = next() % 8 ? "//d/" : "//";
    int n = next() % 6;
    for (int i = 0; i < n; ++i) p += pieces[next() % (next() % 3 ? 6 : 10)];
    if (next() % 2) p += "/...";
    return p;
  };
  long fastEntries = 0, plainEntries = 0;
  for (int round = 0; round < 400; ++round) {
    const StrCaseMode mode = round % 2 ? CaseExact : CaseFold;
    ViewMap fast(mode), plain(mode);
    int lines = 1 + next() % 30;
    for (int i = 0; i < lines; ++i) {
      std::string l = make(), r = l;
      if (next() % 4 == 0) {
        r = make();
      } else {
        for (char& c : r)
          if (c >= 'a' && c <= 'z' && next() % 3 == 0) c = static_cast<char>(c - 32);
      }
      int kind = next() % 6 ? IncludeMapping : ExcludeMapping;
      fast.Insert(l.c_str(), r.c_str(), kind);
      plain.Insert(l.c_str(), r.c_str(), kind);
    }
    Disambiguate(&fast, 8);
    DisambiguateEveryPair(&plain, 8);
    fastEntries += fast.Count();
    plainEntries += plain.Count();
    std::vector<std::string> probes;
    for (const MapEntry* e = plain.Head(); e; e = e->next)
      for (int side = 0; side < 2; ++side)
        for (const std::string& t : Probes(e->Half(side).Text().ToString())) probes.push_back(t);
    for (const std::string& t : probes)
      for (int side = 0; side < 2; ++side)
        ASSERT_EQ(TranslateOrNone(&fast, side, t), TranslateOrNone(&plain, side, t))
            << "round " << round << " side " << side << " path " << t;
  }
  // Covered candidates were left out (the duplicate window may keep an
  // entry now and then that it dropped before).
  EXPECT_LT(fastEntries, plainEntries);
}

TEST(DisambiguateTest, NestedDirectoryLinesGainExclusionsOnlyFromTheirChildren) {
  // A chain of 200 nested directories, each re-spelling its own name:
  // joining every pair would add two exclusions per ancestor and
  // descendant (about 40000); each line needs only its child's.
  ViewMap map;
  std::string left = "//d", right = "//d";
  for (int i = 0; i < 200; ++i) {
    left += "/n" + std::to_string(i);
    right += "/N" + std::to_string(i);
    map.Insert((left + "/...").c_str(), (right + "/...").c_str(), IncludeMapping);
  }
  Disambiguate(&map, 8);
  EXPECT_LE(map.Count(), 200 + 2 * 199);
  EXPECT_EQ(TranslateOrNone(&map, 0, "//d/n0/n1/f"), "//d/N0/N1/f");
  EXPECT_EQ(TranslateOrNone(&map, 0, "//d/n0/x/f"), "//d/N0/x/f");
  EXPECT_EQ(TranslateOrNone(&map, 1, left + "/f"), left + "/f");
}

}  // namespace
