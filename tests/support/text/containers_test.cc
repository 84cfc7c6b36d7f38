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

TEST(BufferDictTest, KeepsNineteenPairsAndTheLatest) {
  BufferDict d;
  for (int i = 0; i < 25; ++i) {
    StrBuf name("n"), value("v");
    name.AppendInt(i);
    value.AppendInt(i);
    d.StoreVar(name, value);
  }
  EXPECT_EQ(d.Count(), 20);
  EXPECT_STREQ(d.GetVar("n18")->Text(), "v18");
  EXPECT_EQ(d.GetVar("n19"), nullptr);
  EXPECT_EQ(d.GetVar("n23"), nullptr);
  EXPECT_EQ(d.GetVar("n24")->ToString(), "v24");
  // Only the last pair can be dropped.
  d.DropVar(StrPtr("n3"));
  EXPECT_EQ(d.Count(), 20);
  d.DropVar(StrPtr("n24"));
  EXPECT_EQ(d.Count(), 19);
}

TEST(StrBufDictTest, FirstPairWinsAndRecordsAreReused) {
  StrBufDict d;
  d.SetVar(StrPtr("a"), StrPtr("1"));
  d.SetVar(StrPtr("a"), StrPtr("2"));
  EXPECT_EQ(d.GetVar("a")->ToString(), "1");
  d.DropAll();
  d.SetVar(StrPtr("b"), StrPtr("3"));
  EXPECT_EQ(d.Count(), 1);
  EXPECT_EQ(d.GetVar("a"), nullptr);
  EXPECT_EQ(d.GetVar("b")->ToString(), "3");
  d.SetVarInt(StrPtr("code"), 2, 77);
  EXPECT_EQ(d.GetVar(StrPtr("code"), 2)->ToString(), "77");

  StrPtrDict p;
  p.SetVar(StrPtr("x"), StrPtr("1"));
  p.SetVar(StrPtr("y"), StrPtr("2"));
  p.SetVar(StrPtr("z"), StrPtr("3"));
  p.DropVar(StrPtr("x"));  // the last pair moves into its place
  StrPtr n, v;
  ASSERT_TRUE(p.VarAt(0, &n, &v));
  EXPECT_EQ(n.ToString(), "z");
  EXPECT_FALSE(p.VarAt(2, &n, &v));
}
