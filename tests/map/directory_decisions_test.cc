#include "map/directory_decisions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The right side the decisions give the line left -> right at line.
std::string Applied(const DirectoryDecisions& d, const std::string& left, const std::string& right,
                    int line, DirectoryDecisions::Change* change = nullptr) {
  StrBuf r(right.c_str());
  DirectoryDecisions::Change c = d.Apply(StrPtr(left.c_str()), &r, line);
  if (change) *change = c;
  EXPECT_EQ(c.changed, r.ToString() != right);
  return r.ToString();
}

TEST(DirectoryDecisionsTest, OnlyLiteralDirectoryVariantsDecide) {
  DirectoryDecisions d;
  d.Add("//depot/Alpha/...", "//depot/alpha/...", 1);
  d.Add("//depot/*/x/...", "//depot/*/X/...", 2);      // a wildcard in the directory
  d.Add("//depot/b.c", "//depot/B.c", 3);              // a file
  d.Add("//depot/q/...", "//depot/r/...", 4);          // not a case variant
  d.Add("//depot//e/...", "//depot//E/...", 5);        // an empty component
  d.Add("//depot/f/... ", "//depot/F/...", 6);         // sides of different lengths
  EXPECT_EQ(d.Count(), 1);
  // The later line of one directory decides.
  d.Add("//depot/ALPHA/...", "//depot/ALPHA/...", 7);
  EXPECT_EQ(d.Count(), 1);
  EXPECT_EQ(Applied(d, "//depot/Alpha/x/...", "//depot/Alpha/x/...", 9), "//depot/ALPHA/x/...");
}

TEST(DirectoryDecisionsTest, LinesBelowTakeTheDecidedSpellingOfTheirParents) {
  DirectoryDecisions d;
  d.Add("//depot/...", "//Depot/...", 1);
  d.Add("//depot/Alpha/...", "//depot/alpha/...", 2);
  d.Add("//depot/Alpha/Beta/...", "//depot/Alpha/beta/...", 3);

  DirectoryDecisions::Change c;
  // Spelt alike on both sides: every decided parent is re-spelt, the
  // line's own components are kept.
  EXPECT_EQ(Applied(d, "//depot/Alpha/Alpha/...", "//depot/Alpha/Alpha/...", 4, &c),
            "//Depot/alpha/Alpha/...");
  EXPECT_FALSE(c.overruled);
  EXPECT_EQ(c.decidedBy, 2);
  EXPECT_EQ(c.directory, "//depot/alpha");
  // Nested decisions compose, the deepest one named.
  EXPECT_EQ(Applied(d, "//depot/alpha/BETA/x.c", "//depot/alpha/BETA/X.c", 5, &c),
            "//Depot/alpha/beta/X.c");
  EXPECT_EQ(c.decidedBy, 3);
  // A decision line is re-spelt by its parents' decisions, never by itself.
  EXPECT_EQ(Applied(d, "//depot/Alpha/Beta/...", "//depot/Alpha/beta/...", 3),
            "//Depot/alpha/beta/...");
  EXPECT_EQ(Applied(d, "//depot/Alpha/...", "//depot/alpha/...", 2), "//Depot/alpha/...");
  // An earlier line of a decided directory is overridden anyway: left as is
  // below its parents.
  EXPECT_EQ(Applied(d, "//depot/ALPHA/...", "//depot/ALPHA/...", 0), "//Depot/ALPHA/...");
  // A file named like a decided directory is not below it.
  EXPECT_EQ(Applied(d, "//depot/Alpha", "//depot/ALPHA", 6), "//Depot/ALPHA");
}

TEST(DirectoryDecisionsTest, AnOwnSpellingOfADecidedDirectoryIsOverruled) {
  DirectoryDecisions d;
  d.Add("//depot/Alpha/...", "//depot/alpha/...", 10);
  DirectoryDecisions::Change c;
  // Before or after the directory line, the line joins the decided
  // directory and keeps its own spelling below it.
  EXPECT_EQ(Applied(d, "//depot/Alpha/Gamma/...", "//depot/ALPHA/GAMMA/...", 3, &c),
            "//depot/alpha/GAMMA/...");
  EXPECT_TRUE(c.overruled);
  EXPECT_EQ(Applied(d, "//depot/Alpha/Gamma/...", "//depot/ALPHA/GAMMA/...", 12, &c),
            "//depot/alpha/GAMMA/...");
  EXPECT_TRUE(c.overruled);
  // Already the decided spelling: nothing to change.
  EXPECT_EQ(Applied(d, "//depot/ALPHA/g", "//depot/alpha/G", 12, &c), "//depot/alpha/G");
  EXPECT_FALSE(c.changed);
}

TEST(DirectoryDecisionsTest, WildcardsAndOtherDirectoriesEndTheWalk) {
  DirectoryDecisions d;
  d.Add("//depot/Alpha/...", "//depot/alpha/...", 1);
  d.Add("//depot/Alpha/x/...", "//depot/Alpha/X/...", 2);
  // Components after a wildcard are not a literal directory.
  EXPECT_EQ(Applied(d, "//depot/Alpha/*/x/...", "//depot/Alpha/*/x/...", 3),
            "//depot/alpha/*/x/...");
  EXPECT_EQ(Applied(d, "//depot/.../Alpha/x", "//depot/.../Alpha/x", 3), "//depot/.../Alpha/x");
  EXPECT_EQ(Applied(d, "//depot/%%1/Alpha/x", "//depot/%%1/Alpha/x", 3), "//depot/%%1/Alpha/x");
  // A right side that names another directory (a map loaded without the
  // variant check) is left alone from there on.
  EXPECT_EQ(Applied(d, "//depot/Alpha/x/y", "//depot/Other/x/y", 3), "//depot/Other/x/y");
  EXPECT_EQ(Applied(d, "//depot/Alpha/x/y", "//depot/Alpha/z/y", 3), "//depot/alpha/z/y");
  // Names that merely begin like a decided directory are other directories.
  EXPECT_EQ(Applied(d, "//depot/Alphabet/x", "//depot/Alphabet/x", 3), "//depot/Alphabet/x");
  EXPECT_EQ(Applied(d, "//other/Alpha/x", "//other/Alpha/x", 3), "//other/Alpha/x");
}

TEST(DirectoryDecisionsTest, SpellKeepsAddedLinesWithTheDecisions) {
  DirectoryDecisions d;
  d.Add("//depot/Alpha/...", "//depot/alpha/...", 1);
  StrBuf p("//depot/Alpha/Beta");
  EXPECT_TRUE(d.Spell(&p, true));
  EXPECT_EQ(p.ToString(), "//depot/alpha/Beta");
  // The decided directory itself, as a directory line and as a file.
  p.Set("//depot/ALPHA");
  EXPECT_TRUE(d.Spell(&p, true));
  EXPECT_EQ(p.ToString(), "//depot/alpha");
  p.Set("//depot/ALPHA");
  EXPECT_FALSE(d.Spell(&p, false));
  EXPECT_EQ(p.ToString(), "//depot/ALPHA");
  // A deep path costs no more than the longest decided directory.
  std::string deep = "//depot/Alpha";
  for (int i = 0; i < 50000; ++i) deep += "/d";
  p.Set(deep.c_str());
  EXPECT_TRUE(d.Spell(&p, true));
  EXPECT_EQ(p.ToString().substr(0, 16), "//depot/alpha/d/");
  DirectoryDecisions none;
  p.Set("//depot/Alpha/x");
  EXPECT_FALSE(none.Spell(&p, true));
}

}  // namespace
