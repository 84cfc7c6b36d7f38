#include "map/view_map.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// Translates path through map (left to right); "<none>" when nothing wins.
std::string Tr(ViewMap* map, const std::string& path) {
  StrBuf out;
  out.Set("<none>");
  if (!map->Translate(0, StrPtr(path.c_str()), &out)) return "<none>";
  return out.ToString();
}

bool Matches(const std::string& pattern, const std::string& path) {
  MapSide side;
  side.Parse(StrPtr(pattern.c_str()));
  MapCaptures caps;
  caps.Reset();
  return side.Match(StrPtr(path.c_str()), &caps, 0);
}

TEST(MapPatternTest, ParsesElementsSlotsAndLiterals) {
  MapSide s;
  s.Parse("//d/%%x.a/%%3/*/.../*x...");
  const PatternElements el = s.Elements();
  // "//d/" then "%%x.a" is five literal bytes.
  EXPECT_EQ(s.LiteralPrefixLength(), 10);
  EXPECT_EQ(el[4].kind, ElementLiteral);
  EXPECT_EQ(el[4].byte, '%');
  EXPECT_EQ(el[6].byte, 'x');
  EXPECT_EQ(el[7].byte, '.');
  EXPECT_EQ(el[10].kind, ElementPositional);
  EXPECT_EQ(el[10].slot, 3);
  EXPECT_EQ(el[12].kind, ElementStar);
  EXPECT_EQ(el[12].slot, kStarSlotBase);
  EXPECT_EQ(el[14].kind, ElementDots);
  EXPECT_EQ(el[14].slot, kDotsSlotBase);
  EXPECT_EQ(el[16].slot, kStarSlotBase + 1);
  EXPECT_EQ(el[17].byte, 'x');
  EXPECT_EQ(el[18].slot, kDotsSlotBase + 1);
  EXPECT_EQ(s.WildcardCount(), 5);
  EXPECT_TRUE(s.HasWildcards());
  EXPECT_EQ(s.Tail(), s.End());  // ends in a wildcard: empty tail

  MapSide t;
  t.Parse("//d/.x/a.c");
  EXPECT_FALSE(t.HasWildcards());
  EXPECT_EQ(t.LiteralPrefixLength(), 10);
  EXPECT_EQ(t.Tail(), 0);
}

TEST(MapPatternTest, TextIsSpelledAgainFromTheElements) {
  // Literal "%" and "." runs next to wildcards, a lone "%%" and an empty
  // pattern: each element gives back exactly the bytes it was read from.
  const char* patterns[] = {"//d/%%x.a/%%3/*/.../*x...", "//d/%%%1", "//d/....", "//d/%%",
                            "//d/a%", "", "//d/..%%9..*", "//d/*****/....../x"};
  for (const char* p : patterns) {
    MapSide s;
    s.Parse(StrPtr(p));
    EXPECT_EQ(s.Text().ToString(), p);
  }
  // The pattern ends at a NUL byte.
  MapSide n;
  n.Parse(StrPtr("//a\0/b", 6));
  EXPECT_EQ(n.Text().ToString(), "//a");
  EXPECT_EQ(n.End(), 3);
}

TEST(MapPatternTest, ReparsingASideForgetsThePreviousPattern) {
  // One side parsed again and again (as the map's scratch halves are)
  // must behave as a side parsed once.
  const char* patterns[] = {"//d/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/.../*.c", "//d/x",
                            "//d/*/.../%%1", "//d/y/...", "//d/x"};
  const char* paths[] = {"//d/x", "//d/y/z", "//d/q/r/s", "//d/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/b/c.c"};
  MapSide reused;
  for (const char* pattern : patterns) {
    reused.Parse(StrPtr(pattern));
    MapSide fresh;
    fresh.Parse(StrPtr(pattern));
    EXPECT_EQ(reused.Text().ToString(), pattern);
    EXPECT_EQ(reused.HasWildcards(), fresh.HasWildcards());
    EXPECT_EQ(reused.SlotMask(), fresh.SlotMask());
    EXPECT_EQ(reused.Tail(), fresh.Tail());
    for (const char* path : paths) {
      MapCaptures caps;
      caps.Reset();
      EXPECT_EQ(reused.Match(StrPtr(path), &caps, 0), Matches(pattern, path)) << pattern << " " << path;
    }
  }
}

TEST(MapPatternTest, WildcardMatchingRules) {
  EXPECT_TRUE(Matches("//depot/*/x", "//depot/a/x"));
  EXPECT_FALSE(Matches("//depot/*/x", "//depot/a/b/x"));
  EXPECT_TRUE(Matches("//depot/.../x", "//depot/a/x"));
  EXPECT_TRUE(Matches("//depot/.../x", "//depot/a/b/x"));
  EXPECT_TRUE(Matches("//depot/a*", "//depot/a"));
  EXPECT_TRUE(Matches("//depot/a*", "//depot/abc"));
  EXPECT_FALSE(Matches("//depot/a*", "//depot/a/b"));
  EXPECT_TRUE(Matches("//depot/...", "//depot/"));
  EXPECT_TRUE(Matches("//DEPOT/...", "//depot/A"));    // ASCII case ignored
  EXPECT_FALSE(Matches("//d\xC3\x89/x", "//d\xC3\xA9/x"));  // non-ASCII exact
  EXPECT_TRUE(Matches("//depot/%%x", "//depot/%%x"));    // literal "%%x"
  EXPECT_FALSE(Matches("//depot/%%x", "//depot/ax"));
  EXPECT_TRUE(Matches("//depot/a.c", "//depot/a.c"));    // single "." literal
  EXPECT_FALSE(Matches("//depot/a.c", "//depot/abc"));
  EXPECT_TRUE(Matches("//depot/*.c", "//depot/x.y.c"));  // backtracks over a "."
  EXPECT_FALSE(Matches("//depot/*.c", "//depot/x.cc"));
  EXPECT_TRUE(Matches("//d/...a...b", "//d/xaybzb"));
  EXPECT_FALSE(Matches("//d/...a...b", "//d/xaybzc"));
  EXPECT_FALSE(Matches("//depot/abc", "//depot/ab"));
}

TEST(ViewMapTest, LaterMappingWinsAndWildcardKeepsPathSpelling) {
  ViewMap map;
  map.Insert("//depot/...", "//Depot/...", IncludeMapping);
  map.Insert("//depot/main/...", "//Depot/Main/...", IncludeMapping);
  EXPECT_EQ(Tr(&map, "//DEPOT/main/a.c"), "//Depot/Main/a.c");
  EXPECT_EQ(Tr(&map, "//depot/rel/x"), "//Depot/rel/x");
  EXPECT_EQ(Tr(&map, "//other/x"), "<none>");

  ViewMap reversed;
  reversed.Insert("//depot/main/...", "//Depot/Main/...", IncludeMapping);
  reversed.Insert("//depot/...", "//Depot/...", IncludeMapping);
  EXPECT_EQ(Tr(&reversed, "//depot/main/a.c"), "//Depot/main/a.c");
}

TEST(ViewMapTest, EntriesOfEverySizeKeepTheirPatterns) {
  // Thousands of entries, some with patterns of several kilobytes (which
  // take storage of their own), and refused mappings among them: every
  // entry translates as written, and only accepted mappings count.
  ViewMap map;
  int accepted = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string dir = "//d/" + std::to_string(i) + (i % 300 == 0 ? std::string(5000, 'x') : "");
    if (i % 7 == 0) {
      EXPECT_FALSE(map.Insert(StrPtr((dir + "/x").c_str()), StrPtr((dir + "/%%1").c_str()), IncludeMapping));
    }
    std::string left = dir + (i % 2 ? "/..." : "/f"), right = dir + (i % 2 ? "/N/..." : "/F");
    ASSERT_TRUE(map.Insert(StrPtr(left.c_str()), StrPtr(right.c_str()), IncludeMapping));
    ++accepted;
  }
  EXPECT_EQ(map.Count(), accepted);
  for (int i = 0; i < 3000; ++i) {
    std::string dir = "//d/" + std::to_string(i) + (i % 300 == 0 ? std::string(5000, 'x') : "");
    if (i % 2) {
      EXPECT_EQ(Tr(&map, dir + "/a/b"), dir + "/N/a/b");
    } else {
      EXPECT_EQ(Tr(&map, dir + "/f"), dir + "/F");
    }
  }
  const MapEntry* last = map.Head();
  EXPECT_EQ(last->left.Text().ToString(), "//d/2999/...");
  EXPECT_EQ(last->right.Text().ToString(), "//d/2999/N/...");
}

TEST(ViewMapTest, PositionalWildcardsReorder) {
  ViewMap map;
  map.Insert("//depot/%%1/%%2/...", "//depot/%%2/%%1/...", IncludeMapping);
  EXPECT_EQ(Tr(&map, "//depot/a/b/c"), "//depot/b/a/c");
  map.Insert("//x/*-*/...", "//y/*_*/...", IncludeMapping);
  EXPECT_EQ(Tr(&map, "//x/ab-cd/e/f"), "//y/ab_cd/e/f");
}

TEST(ViewMapTest, ExclusionWinsOverEarlierInclude) {
  ViewMap map;
  map.Insert("//depot/...", "//Depot/...", IncludeMapping);
  map.Insert("//depot/secret/...", "//depot/secret/...", ExcludeMapping);
  EXPECT_EQ(Tr(&map, "//depot/secret/a"), "<none>");
  EXPECT_EQ(map.Find(0, "//depot/secret/a"), nullptr);
  EXPECT_EQ(Tr(&map, "//depot/public/a"), "//Depot/public/a");
  // A later include overrides the exclusion again.
  map.Insert("//depot/secret/ok/...", "//D/ok/...", IncludeMapping);
  EXPECT_EQ(Tr(&map, "//depot/secret/ok/z"), "//D/ok/z");
  EXPECT_EQ(Tr(&map, "//depot/secret/no/z"), "<none>");
}

TEST(ViewMapTest, FailedTranslateLeavesOutputUntouched) {
  ViewMap map;
  map.Insert("//a/...", "//b/...", IncludeMapping);
  StrBuf out;
  out.Set("keep");
  EXPECT_EQ(map.Translate(0, "//c/x", &out), nullptr);
  EXPECT_EQ(out.ToString(), "keep");
  ViewMap empty;
  EXPECT_EQ(empty.Translate(0, "//c/x", &out), nullptr);
  EXPECT_EQ(out.ToString(), "keep");
}

TEST(ViewMapTest, RightSideLookupUsesTheRightPatterns) {
  ViewMap map;
  map.Insert("//depot/%%1/...", "//Depot/x/%%1/...", IncludeMapping);
  StrBuf out;
  ASSERT_NE(map.Translate(1, "//DEPOT/X/abc/d", &out), nullptr);
  EXPECT_EQ(out.ToString(), "//depot/abc/d");
}

TEST(ViewMapTest, InsertUniqueLooksAtTheEightMostRecent) {
  ViewMap map;
  map.Insert("//d/dup/...", "//d/dup/...", IncludeMapping);
  for (int i = 0; i < 7; ++i) {
    std::string p = "//d/f" + std::to_string(i);
    map.Insert(StrPtr(p.c_str()), StrPtr(p.c_str()), IncludeMapping);
  }
  // The duplicate is the eighth most recent: nothing is inserted.
  EXPECT_FALSE(map.InsertUnique("//d/dup/...", "//d/dup/...", ExcludeMapping));
  EXPECT_EQ(map.Count(), 8);
  // Covered (not only equal) also counts.
  EXPECT_FALSE(map.InsertUnique("//d/dup/a/...", "//d/dup/b", ExcludeMapping));
  map.Insert("//d/f7", "//d/f7", IncludeMapping);
  // Now it is the ninth most recent: inserted.
  EXPECT_TRUE(map.InsertUnique("//d/dup/...", "//d/dup/...", ExcludeMapping));
  EXPECT_EQ(map.Count(), 10);
}

TEST(ViewMapTest, ReverseMirrorsOrderAndSlots) {
  ViewMap map;
  map.Insert("//a", "//A", IncludeMapping);
  map.Insert("//b", "//B", IncludeMapping);
  map.Insert("//c", "//C", IncludeMapping);
  map.Reverse();
  std::vector<std::pair<std::string, int>> got;
  for (const MapEntry* e = map.Head(); e; e = e->next) got.push_back({e->left.Text().ToString(), e->slot});
  std::vector<std::pair<std::string, int>> want = {{"//a", 2}, {"//b", 1}, {"//c", 0}};
  EXPECT_EQ(got, want);

  ViewMap copy;
  copy.AppendAll(map, true, true);
  got.clear();
  for (const MapEntry* e = copy.Head(); e; e = e->next) got.push_back({e->left.Text().ToString(), e->slot});
  want = {{"//a", 5}, {"//A", 4}, {"//b", 3}, {"//B", 2}, {"//c", 1}, {"//C", 0}};
  EXPECT_EQ(got, want);
}

TEST(ViewMapTest, CoversComparesElementsExactly) {
  auto covers = [](const char* a, const char* b) {
    MapSide x, y;
    x.Parse(a);
    y.Parse(b);
    return x.Covers(y);
  };
  EXPECT_TRUE(covers("//d/...", "//d/a/..."));
  EXPECT_TRUE(covers("//d/...", "//d/*/x"));
  EXPECT_TRUE(covers("//d/*/x", "//d/a/x"));
  EXPECT_TRUE(covers("//d/*/x", "//d/%%1/x"));
  EXPECT_FALSE(covers("//d/*/x", "//d/a/b/x"));
  EXPECT_FALSE(covers("//d/*/x", "//d/.../x"));
  EXPECT_FALSE(covers("//d/a/...", "//d/...")); 
  EXPECT_FALSE(covers("//d/x/...", "//d/X/..."));  // exact bytes
  EXPECT_TRUE(covers("//d/a*c", "//d/abbc"));
  EXPECT_FALSE(covers("//d/a*c", "//d/abbd"));
}

// The plain recursive reading of "a covers b" over parsed elements, with
// its answers remembered per pair of positions.
struct CoversByRecursion {
  PatternElements A;
  PatternElements B;
  std::map<std::pair<int, int>, bool> seen;

  bool operator()(int a, int b) {
    auto it = seen.find({a, b});
    if (it != seen.end()) return it->second;
    bool r = false;
    switch (A[a].kind) {
      case ElementEnd:
        r = B[b].kind == ElementEnd;
        break;
      case ElementLiteral:
      case ElementSlash:
        r = B[b].kind == A[a].kind && B[b].byte == A[a].byte && (*this)(a + 1, b + 1);
        break;
      case ElementDots:
        for (int e = b; !r; ++e) {
          r = (*this)(a + 1, e);
          if (B[e].kind == ElementEnd) break;
        }
        break;
      default:
        for (int e = b; !r; ++e) {
          r = (*this)(a + 1, e);
          int k = B[e].kind;
          if (k == ElementEnd || k == ElementSlash || k == ElementDots) break;
        }
    }
    seen[{a, b}] = r;
    return r;
  }
};

TEST(ViewMapTest, CoversAgreesWithTheRecursiveReading) {
  // Short patterns over a small alphabet meet often; a long literal run
  // takes the pair past the small position buffer.
  const char* pieces[] = {"a", "b", "/", "*", "...", "%%1", "a*", "/..."};
  std::mt19937 rng(5);
  auto make = [&]() {
    std::string p = "//";
    if (rng() % 10 == 0) p += std::string(300, 'a');
    int n = rng() % 7;
    for (int i = 0; i < n; ++i) p += pieces[rng() % 8];
    return p;
  };
  int covered = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string a = make(), b = rng() % 3 ? make() : a + pieces[rng() % 8];
    MapSide x, y;
    x.Parse(StrPtr(a.c_str()));
    y.Parse(StrPtr(b.c_str()));
    bool want = CoversByRecursion{x.Elements(), y.Elements(), {}}(0, 0);
    ASSERT_EQ(x.Covers(y), want) << a << " over " << b;
    covered += want;
  }
  EXPECT_GT(covered, 500);
}

TEST(ViewMapTest, MappingsBeyondTheWildcardLimitsAreRefused) {
  ViewMap map;
  std::string stars10 = "//d/" + std::string(10, '*');
  std::string stars11 = "//d/" + std::string(11, '*');
  std::string dots10, dots11;
  for (int i = 0; i < 10; ++i) dots10 += "/...";
  dots11 = dots10 + "/...";
  EXPECT_TRUE(map.Insert(StrPtr(stars10.c_str()), StrPtr(stars10.c_str()), IncludeMapping));
  EXPECT_FALSE(map.Insert(StrPtr(stars11.c_str()), "//d/x", IncludeMapping));
  EXPECT_TRUE(map.Insert(StrPtr(("//e" + dots10).c_str()), StrPtr(("//f" + dots10).c_str()), IncludeMapping));
  EXPECT_FALSE(map.Insert(StrPtr(("//e" + dots11).c_str()), "//f", IncludeMapping));
  // 21 wildcards in all: 10 "*", 10 "..." and one positional.
  std::string all21 = "//g/" + std::string(10, '*') + dots10 + "/%%1";
  std::string all20 = "//g/" + std::string(10, '*') + dots10;
  EXPECT_FALSE(map.Insert(StrPtr(all21.c_str()), StrPtr(all21.c_str()), IncludeMapping));
  EXPECT_TRUE(map.Insert(StrPtr(all20.c_str()), StrPtr(all20.c_str()), IncludeMapping));
  // The right side may only use slots the left side sets.
  EXPECT_FALSE(map.Insert("//h/*", "//h/%%1", IncludeMapping));
  EXPECT_FALSE(map.Insert("//h/*", "//h/*/*", IncludeMapping));
  EXPECT_FALSE(map.Insert("//h/a", "//h/...", IncludeMapping));
  EXPECT_TRUE(map.Insert("//h/%%1/%%2", "//h/%%2", IncludeMapping));
  EXPECT_EQ(map.Count(), 4);
  // Exclusions never expand their right side.
  EXPECT_TRUE(map.Insert("//h/a", "//h/...", ExcludeMapping));

  // A maximal pattern still matches and expands correctly.
  std::string path = "//g/abcdefghij";
  for (int i = 0; i < 10; ++i) path += "/p" + std::to_string(i);
  EXPECT_EQ(Tr(&map, path), path);
}

TEST(ViewMapTest, ManyDotsBacktrackWithoutTrouble) {
  ViewMap map;
  std::string pat = "//d";
  for (int i = 0; i < 10; ++i) pat += "/...";
  pat += "/zz";
  map.Insert(StrPtr(pat.c_str()), StrPtr(pat.c_str()), IncludeMapping);
  std::string path = "//d";
  for (int i = 0; i < 12; ++i) path += "/c";
  path += "/zz";
  EXPECT_EQ(Tr(&map, path), path);
}

// Reference lookup: every entry, highest slot first, full Match.
std::string Reference(const std::vector<std::tuple<std::string, std::string, int>>& lines,
                      const std::string& path) {
  for (int i = static_cast<int>(lines.size()) - 1; i >= 0; --i) {
    MapSide l, r;
    l.Parse(StrPtr(std::get<0>(lines[i]).c_str()));
    r.Parse(StrPtr(std::get<1>(lines[i]).c_str()));
    MapCaptures caps;
    caps.Reset();
    if (!l.Match(StrPtr(path.c_str()), &caps, 0)) continue;
    if (std::get<2>(lines[i]) == ExcludeMapping) return "<none>";
    StrBuf out;
    r.Expand(StrPtr(path.c_str()), caps, &out, 0);
    return out.ToString();
  }
  return "<none>";
}

TEST(ViewMapIndexTest, AgreesWithLinearSearchOnRandomMaps) {
  std::mt19937 rng(12345);
  const char* parts[] = {"a", "A", "ab", "b", "abc", "B", "x"};
  auto piece = [&]() { return std::string(parts[rng() % 7]); };
  for (int round = 0; round < 40; ++round) {
    std::vector<std::tuple<std::string, std::string, int>> lines;
    ViewMap map;
    int n = 1 + rng() % 60;
    for (int i = 0; i < n; ++i) {
      std::string left = "//d";
      int depth = rng() % 4;
      for (int k = 0; k < depth; ++k) left += "/" + piece();
      switch (rng() % 5) {
        case 0: left += "/..."; break;
        case 1: left += "/*"; break;
        case 2: left += "*"; break;
        case 3: left += "/.../" + piece(); break;
        default: break;
      }
      int kind = rng() % 6 == 0 ? ExcludeMapping : IncludeMapping;
      std::string right = left + "";
      right[2] = 'D';
      lines.emplace_back(left, right, kind);
      ASSERT_TRUE(map.Insert(StrPtr(left.c_str()), StrPtr(right.c_str()), kind));
    }
    for (int q = 0; q < 200; ++q) {
      std::string path = "//d";
      int depth = rng() % 5;
      for (int k = 0; k < depth; ++k) path += "/" + piece();
      ASSERT_EQ(Tr(&map, path), Reference(lines, path)) << "round " << round << " path " << path;
    }
  }
}

TEST(ViewMapIndexTest, LookupInALargeMapCostsFewMatches) {
  ViewMap map;
  map.Insert("//depot/main/...", "//Depot/Main/...", IncludeMapping);
  for (int i = 0; i < 1000; ++i) {
    std::string l = "//depot/main/dir" + std::to_string(i) + "/...";
    std::string r = "//Depot/Main/Dir" + std::to_string(i) + "/...";
    map.Insert(StrPtr(l.c_str()), StrPtr(r.c_str()), IncludeMapping);
  }
  EXPECT_EQ(Tr(&map, "//depot/main/dir500/f.c"), "//Depot/Main/Dir500/f.c");
  uint64_t before = map.MatchCount();
  for (int i = 0; i < 1000; i += 7) {
    std::string p = "//depot/main/dir" + std::to_string(i) + "/src/f.c";
    std::string want = "//Depot/Main/Dir" + std::to_string(i) + "/src/f.c";
    ASSERT_EQ(Tr(&map, p), want);
  }
  uint64_t perLookup = (map.MatchCount() - before) / 143;
  EXPECT_LE(perLookup, 3u);
  // A path under no specific directory falls to the general line.
  before = map.MatchCount();
  EXPECT_EQ(Tr(&map, "//depot/main/other/x"), "//Depot/Main/other/x");
  EXPECT_LE(map.MatchCount() - before, 3u);
}

TEST(ViewMapIndexTest, DeeplyNestedPrefixesDoNotRecurse) {
  ViewMap map;
  std::string p = "//d";
  for (int i = 0; i < 3000; ++i) {
    p += "/a";
    map.Insert(StrPtr((p + "/...").c_str()), StrPtr((p + "/...").c_str()), IncludeMapping);
  }
  std::string path = "//d/a/a/a/x";
  EXPECT_EQ(Tr(&map, path), path);
  EXPECT_EQ(Tr(&map, p + "/x"), p + "/x");
  EXPECT_EQ(map.Find(0, "//d/b"), nullptr);
}

}  // namespace
