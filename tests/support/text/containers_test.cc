#include <gtest/gtest.h>

#include "support/text/str_dict.h"
#include "support/text/var_array.h"

TEST(VarArrayTest, GrowsByTheFixedFormula) {
  VarArray a;
  EXPECT_EQ(a.Capacity(), 0);
  int x[200];
  a.Put(&x[0]);
  EXPECT_EQ(a.Capacity(), 75);
  for (int i = 1; i < 75; ++i) a.Put(&x[i]);
  EXPECT_EQ(a.Capacity(), 75);
  a.Put(&x[75]);
  EXPECT_EQ(a.Capacity(), 187);
  EXPECT_EQ(a.Get(75), &x[75]);
  EXPECT_EQ(a.Get(-1), nullptr);
  EXPECT_EQ(a.Get(a.Count()), nullptr);
}

TEST(StrVarArrayTest, OwnsAndCopiesStrings) {
  StrVarArray a;
  a.Append(StrPtr("One"));
  a.Append(StrPtr("two"));
  StrVarArray b;
  b.Copy(a);
  a.ClearStrings();
  EXPECT_EQ(a.Count(), 0);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_STREQ(b.At(1)->Text(), "two");
  StrBuf upper("ONE");
  EXPECT_EQ(b.Compare(b.At(0), &upper), 0);  // case-insensitive by default
  b.SetCaseSensitive(true);
  EXPECT_NE(b.Compare(b.At(0), &upper), 0);
}

TEST(StrDictTest, LaterValueReplacesAndRecordsAreReused) {
  StrDict d;
  d.SetVar(StrPtr("a"), StrPtr("1"));
  d.SetVar(StrPtr("b"), StrPtr("2"));
  d.SetVar(StrPtr("a"), StrPtr("3"));
  EXPECT_EQ(d.Count(), 2);
  EXPECT_EQ(d.GetVar("a")->ToString(), "3");
  StrPtr n, v;
  ASSERT_TRUE(d.VarAt(1, &n, &v));
  EXPECT_EQ(n.ToString() + "=" + v.ToString(), "b=2");
  EXPECT_FALSE(d.VarAt(2, &n, &v));
  d.DropAll();
  EXPECT_EQ(d.GetVar("a"), nullptr);
  d.SetVar(StrPtr("c"), StrPtr("4"));
  EXPECT_EQ(d.Count(), 1);
  EXPECT_EQ(d.GetVar("c")->ToString(), "4");
  EXPECT_EQ(d.GetVar("b"), nullptr);
}
