#include "migrate/rename/rename_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

void Add(RenamePlan* plan, const char* from, const char* to, bool added = true) {
  EXPECT_EQ(added, plan->Add(StrPtr(from), StrPtr(to), StrPtr("//x"), StrPtr("1.1"))) << to;
}

TEST(RenamePlanTest, EachTargetAndEachSourceEntersOnce) {
  RenamePlan plan;
  Add(&plan, "d/A,v", "d/a,v");
  Add(&plan, "d/A,v", "d/a,v", false);   // another revision of the same archive
  Add(&plan, "d/B,v", "d/a,v", false);   // a second file for one wanted name
  Add(&plan, "d/A,v", "d/aa,v", false);  // one file wanted under two names
  EXPECT_EQ(1u, plan.Count());
  EXPECT_TRUE(plan.HasTarget(StrPtr("d/a,v")));
  EXPECT_FALSE(plan.HasTarget(StrPtr("d/A,v")));
  ASSERT_NE(nullptr, plan.FromSource(StrPtr("d/A,v")));
  EXPECT_EQ("d/a,v", plan.FromSource(StrPtr("d/A,v"))->to);
  EXPECT_EQ("//x", plan.At(0).lbrFile);
  EXPECT_EQ("1.1", plan.At(0).lbrRev);
}

TEST(RenamePlanTest, SortsShallowFirstThenComponentByComponent) {
  RenamePlan plan;
  const char* targets[] = {"a/b/c,v", "a/z,v", "a-b/x,v", "a/b,v", "top,v", "a/b/a,v"};
  for (const char* t : targets) Add(&plan, (std::string("old/") + t).c_str(), t);
  plan.Sort();
  std::vector<std::string> order;
  for (size_t i = 0; i < plan.Count(); ++i) order.emplace_back(plan.At(i).to);
  // Depth first; then "/" orders before every other byte, so a/z,v comes
  // before a-b/x,v although "-" is a smaller byte than "/".
  EXPECT_EQ((std::vector<std::string>{"top,v", "a/b,v", "a/z,v", "a-b/x,v", "a/b/a,v", "a/b/c,v"}),
            order);
}

TEST(RenamePlanTest, ManyMovesStayFoundAndSortAsTheirWholeNames) {
  // Enough moves for the index to double many times; names sharing long
  // prefixes, so the sort's first-bytes key ties and the whole name decides.
  RenamePlan plan;
  std::mt19937 rng(7);
  std::vector<std::string> targets;
  for (int i = 0; i < 20000; ++i) {
    std::string t = "depot/main/src";
    for (int depth = static_cast<int>(rng() % 3); depth > 0; --depth)
      t += "/d" + std::to_string(rng() % 7) + (rng() % 2 ? "-x" : "");
    t += "/f" + std::to_string(i) + ",v";
    targets.push_back(t);
    std::string from = "OLD/" + t;
    ASSERT_TRUE(plan.Add(StrPtr(from.c_str()), StrPtr(t.c_str()), StrPtr("//l"), StrPtr("1")));
  }
  for (const std::string& t : targets) {
    ASSERT_TRUE(plan.HasTarget(StrPtr(t.c_str()))) << t;
    const PlannedMove* m = plan.FromSource(StrPtr(("OLD/" + t).c_str()));
    ASSERT_NE(nullptr, m) << t;
    EXPECT_EQ(t, m->to);
    EXPECT_FALSE(plan.Add(StrPtr(("NEW/" + t).c_str()), StrPtr(t.c_str()), StrPtr("//l"),
                          StrPtr("1")));
  }
  EXPECT_FALSE(plan.HasTarget(StrPtr("depot/main/src/f0,V")));
  EXPECT_EQ(nullptr, plan.FromSource(StrPtr("depot/main/src/f0,v")));

  auto key = [](const std::string& t) {
    std::string k = t;
    std::replace(k.begin(), k.end(), '/', '\0');
    return std::make_pair(std::count(t.begin(), t.end(), '/'), k);
  };
  std::sort(targets.begin(), targets.end(),
            [&key](const std::string& a, const std::string& b) { return key(a) < key(b); });
  plan.Sort();
  ASSERT_EQ(targets.size(), plan.Count());
  for (size_t i = 0; i < targets.size(); ++i) ASSERT_EQ(targets[i], plan.At(i).to) << i;
}

TEST(RenamePlanTest, MemoryGrowsWithTheMovesOnly) {
  RenamePlan plan;
  EXPECT_EQ(0u, plan.BytesUsed());
  std::string from(100, 'F'), to(100, 't');
  plan.Add(StrPtr(from.c_str()), StrPtr(to.c_str()), StrPtr("//l"), StrPtr("1"));
  // The two names, the wanted name's sort key and the revision record.
  EXPECT_GE(plan.BytesUsed(), 300u);
  EXPECT_LT(plan.BytesUsed(), 340u);
}

}  // namespace
