#include "support/messages/error.h"

#include <gtest/gtest.h>

#include "support/text/str_dict.h"

namespace {
const MessageId kWarn = {0x21000001, "warn %path%"};
const MessageId kInfo = {0x11000002, "info %what%"};
const MessageId kVersion = {0x32000003,
    "Version %version% of %table% not found in schema. You need a new version of this program!"};
const MessageId kPlainErr = {0x30000004, "plain %!skip% then %kept%"};
const MessageId kMarked = {0x30000005, "%'50%'% of %x%, 100%% of %y%, %x% again"};

std::string Expand(const char* fmt, const char* x) {
  StrDict d;
  if (x) d.SetVar(StrPtr("x"), StrPtr(x));
  StrBuf out;
  ExpandVariables(StrPtr(fmt), d, &out);
  return out.ToString();
}
}  // namespace

TEST(ErrorTest, SeverityRisesAndNewestPrintsFirst) {
  Error e;
  EXPECT_FALSE(e.Test());
  e.Set(kWarn) << "//a";
  e.Set(kInfo) << "x";
  EXPECT_EQ(e.GetSeverity(), E_WARN);
  EXPECT_TRUE(e.Test());
  StrBuf out;
  e.FormatMessages(&out, 3);
  EXPECT_EQ(out.ToString(), "\tinfo x\n\twarn //a\n");
  e.Clear();
  EXPECT_EQ(e.Count(), 0);
  e.Set(kInfo) << "y";
  EXPECT_EQ(e.Text(), "info y");
}

TEST(ErrorTest, BindingFillsPlacesInOrderAndDropsExtras) {
  Error e;
  e.Set(kVersion) << 3 << "db.rev" << "extra";
  EXPECT_EQ(e.Text(),
            "Version 3 of db.rev not found in schema. You need a new version of this program!");
  Error f;
  f.Set(kPlainErr) << "dropped" << "kept";
  EXPECT_EQ(f.Text(), "plain  then kept");
  // Literals and "%%" are no places; a name met twice shows its later value.
  Error g;
  g.Set(kMarked) << "a" << "b" << "c";
  EXPECT_EQ(g.Text(), "50% of c, 100% of b, c again");
}

TEST(ErrorTest, TwentyMessageLimitReplacesTheLast) {
  Error e;
  for (int i = 0; i < 21; ++i) e.Set(kInfo) << i;
  EXPECT_EQ(e.Count(), 20);
  const MessageId* last = e.MessageAt(19);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->code, kInfo.code);
}

TEST(ExpandTest, MarkersLiteralsAndOptionalSections) {
  EXPECT_EQ(Expand("a [b %x% c|d] e", "1"), "a b 1 c e");
  EXPECT_EQ(Expand("a [b %x% c|d] e", ""), "a d e");
  EXPECT_EQ(Expand("a [b %x% c|d] e", nullptr), "a d e");
  EXPECT_EQ(Expand("a [b %x% c] e", nullptr), "a  e");
  EXPECT_EQ(Expand("100%%", nullptr), "100%");
  EXPECT_EQ(Expand("%'50%'%", nullptr), "50%");
  EXPECT_EQ(Expand("odd % tail", "1"), "odd % tail");
  EXPECT_EQ(Expand("open %'quote", "1"), "open %'quote");
  EXPECT_EQ(Expand("[no close %x%", "1"), "[no close %x%");
}

TEST(ErrorTest, MergeKeepsBothSidesMessages) {
  Error mine;
  mine.Set(kWarn) << "//mine";
  Error theirs;
  theirs.Set(kVersion) << 7 << "db.have";
  theirs.Set(kInfo) << "late";
  mine.Merge(theirs);
  EXPECT_EQ(mine.GetSeverity(), E_FAILED);
  ASSERT_EQ(mine.Count(), 3);
  EXPECT_EQ(mine.MessageAt(1)->code, kVersion.code);
  EXPECT_EQ(mine.Text(),
            "info late\n"
            "Version 7 of db.have not found in schema. You need a new version of this program!\n"
            "warn //mine");

  Error empty;
  empty.Merge(theirs);  // into an empty error: an exact copy
  EXPECT_EQ(empty.Text(), theirs.Text());
  EXPECT_EQ(empty.GetSeverity(), E_FAILED);
}

TEST(ErrorTest, EachMessageKeepsItsOwnValues) {
  // Ten files failing one after the other: each message names its file,
  // not the first one's.
  Error e;
  for (int i = 0; i < 10; ++i) e.Set(kWarn) << ("db.t" + std::to_string(i) + ".ckp");
  e.Set(kVersion) << 9 << "db.rev";
  StrBuf out;
  e.FormatMessages(&out, 0);
  std::string expected =
      "Version 9 of db.rev not found in schema. You need a new version of this program!";
  for (int i = 9; i >= 0; --i) expected += "\nwarn db.t" + std::to_string(i) + ".ckp";
  EXPECT_EQ(out.ToString(), expected);
  ASSERT_NE(e.Vars(3), nullptr);
  EXPECT_EQ(e.Vars(3)->GetVar("path")->ToString(), "db.t3.ckp");
  EXPECT_EQ(e.Vars(11), nullptr);

  // The message that replaces the twentieth does not inherit its values,
  // and merged messages keep theirs.
  Error full;
  for (int i = 0; i < 20; ++i) full.Set(kWarn) << i;
  full.Set(kPlainErr) << "x";  // binds only %!skip%: %kept% has no value
  EXPECT_EQ(full.Vars(19)->GetVar("path"), nullptr);
  Error merged;
  merged.Set(kWarn) << "//first";
  merged.Merge(e);
  EXPECT_EQ(merged.Count(), 12);
  EXPECT_EQ(merged.Vars(0)->GetVar("path")->ToString(), "//first");
  EXPECT_EQ(merged.Vars(1)->GetVar("path")->ToString(), "db.t0.ckp");
  EXPECT_EQ(merged.Vars(11)->GetVar("table")->ToString(), "db.rev");
}
