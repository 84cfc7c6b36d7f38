#include "support/text/strbuf.h"

#include <gtest/gtest.h>

#include <string>

TEST(StrBufTest, EmptyBuffersShareStorageUntilWritten) {
  StrBuf a, b;
  EXPECT_EQ(a.Text(), b.Text());
  EXPECT_EQ(a.Size(), 0u);
  a.Clear();
  EXPECT_EQ(a.Size(), 0u);  // clearing never allocates
  a.NulTerminate();
  EXPECT_EQ(a.Size(), 2u);  // terminating an empty buffer allocates two bytes
  EXPECT_NE(a.Text(), b.Text());
  EXPECT_EQ(a.Length(), 0u);
}

TEST(StrBufTest, GrowthIsExactFirstThenGeometric) {
  StrBuf s;
  s.Append("abcde", 5);
  EXPECT_EQ(s.Size(), 7u);
  s.Append("fghij", 5);
  EXPECT_EQ(s.Size(), 61u);  // ((11 + 30) * 3) / 2
  EXPECT_STREQ(s.Text(), "abcdefghij");

  StrBuf big;
  std::string text(5000, 'x');
  big.Append(text.data(), 5000);
  EXPECT_EQ(big.Size(), 5001u);
  EXPECT_EQ(big.Text()[5000], 0);
}

TEST(StrBufTest, SetFromItselfAndEdits) {
  StrBuf s("Hello World  ");
  s.Set(s);
  EXPECT_STREQ(s.Text(), "Hello World  ");
  s.Set(s.Text());
  EXPECT_EQ(s.Length(), 13u);
  s.LowerAscii();
  EXPECT_STREQ(s.Text(), "hello world  ");
  EXPECT_TRUE(StrPtr("file,v").EndsWith(",v", 2));
  EXPECT_FALSE(StrPtr("v").EndsWith(",v", 2));
}

TEST(StrCompareTest, FoldModeIgnoresAsciiCaseOnly) {
  EXPECT_EQ(Compare("Depot", "depot"), 0);
  EXPECT_EQ(Compare("a", "B"), 0x61 - 0x62);
  EXPECT_NE(Compare("\xC3\x89", "\xC3\xA9"), 0);
  EXPECT_EQ(CompareFold("ABC", "abd"), -1);
  EXPECT_EQ(Compare(StrPtr("Depot"), StrPtr("depot")), 0);
  EXPECT_LT(Compare(StrPtr("dep"), StrPtr("Depot")), 0);
  EXPECT_TRUE(EqualChar('A', 'a'));

  EXPECT_EQ(Compare("Depot", "depot", CaseExact), 'D' - 'd');
  EXPECT_EQ(CompareChar('A', 'a', CaseExact), 'A' - 'a');
  EXPECT_FALSE(EqualChar('A', 'a', CaseExact));
  EXPECT_FALSE(StrPtr("Depot").Equal(StrPtr("depot"), CaseExact));

  EXPECT_EQ(Compare("Depot", "depot", CaseFoldThenExact), 'D' - 'd');
  EXPECT_EQ(Compare("a", "B", CaseFoldThenExact), 0x61 - 0x62);
  EXPECT_FALSE(EqualChar('A', 'a', CaseFoldThenExact));
  // Each call in its own mode, whatever the calls before it.
  EXPECT_TRUE(StrPtr("Depot").Equal(StrPtr("depot")));
}

TEST(StrNumberTest, FormatInt64) {
  char buf[24];
  EXPECT_STREQ(FormatInt64(-9223372036854775807LL - 1, buf + 24), "-9223372036854775808");
  EXPECT_STREQ(FormatInt64(0, buf + 24), "0");
}

TEST(StrBytesTest, LowerAsciiAndCommonPrefixAgreeWithByteByByte) {
  // Every byte value at every place of an eight-byte word and in the tail,
  // against the plain definitions.
  for (uint32_t length : {1u, 7u, 8u, 9u, 23u}) {
    for (uint32_t at = 0; at < length; ++at) {
      for (int b = 0; b < 256; ++b) {
        std::string text(length, 'q');
        text[at] = static_cast<char>(b);
        std::string lowered(length, '\0');
        LowerAsciiBytes(text.data(), lowered.data(), length);
        std::string expected = text;
        for (char& c : expected)
          if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
        ASSERT_EQ(expected, lowered) << "byte " << b << " at " << at;

        std::string other(length, 'q');
        uint32_t same = 0;
        while (same < length && text[same] == other[same]) ++same;
        ASSERT_EQ(same, CommonPrefixLength(text.data(), other.data(), length))
            << "byte " << b << " at " << at;
      }
    }
  }
  // In place, as StrBuf::LowerAscii uses it.
  StrBuf s("//Depot/MAIN/\xC3\x89t\xC3\xA9/A-Z[]@");
  s.LowerAscii();
  EXPECT_EQ(std::string("//depot/main/\xC3\x89t\xC3\xA9/a-z[]@"), s.ToString());
}
