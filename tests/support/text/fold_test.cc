#include "support/text/fold.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const FoldRules kSevenBit{FoldMode::kSevenBit};
const FoldRules kUtf8{FoldMode::kUtf8};
const FoldRules kCLocale{FoldMode::kLocale};

std::string Fold(const std::string& in, const FoldRules& rules) {
  StrBuf out;
  FoldPath(StrPtr(in.data(), static_cast<uint32_t>(in.size())), &out, rules);
  EXPECT_EQ(out.Text()[out.Length()], '\0');
  return out.ToString();
}

TEST(FoldTableTest, GeneratedTableIsSortedAndComplete) {
  EXPECT_EQ(kCaseFoldBmpCount, 975);
  EXPECT_EQ(kCaseFoldSupplementaryCount, 40);
  EXPECT_EQ(kCaseFoldBmp[0][0], 0x00B5);
  EXPECT_EQ(kCaseFoldBmp[0][1], 0x03BC);
  EXPECT_EQ(kCaseFoldBmp[kCaseFoldBmpCount - 1][0], 0xFF3A);
  EXPECT_EQ(kCaseFoldBmp[kCaseFoldBmpCount - 1][1], 0xFF5A);
  for (int i = 1; i < kCaseFoldBmpCount; ++i) {
    ASSERT_LT(kCaseFoldBmp[i - 1][0], kCaseFoldBmp[i][0]) << i;
    ASSERT_NE(kCaseFoldBmp[i][1], 0);
  }
  for (int i = 0; i < kCaseFoldSupplementaryCount; ++i) {
    EXPECT_EQ(kCaseFoldSupplementary[i][0], 0x10400u + i);
    EXPECT_EQ(kCaseFoldSupplementary[i][1], 0x10428u + i);
  }
}

TEST(FoldTableTest, CodePointLookups) {
  EXPECT_EQ(FoldCodePoint(0x00C4), 0x00E4u);
  EXPECT_EQ(FoldCodePoint(0x1E9E), 0x00DFu);  // capital sharp s
  EXPECT_EQ(FoldCodePoint(0x00B5), 0x03BCu);
  EXPECT_EQ(FoldCodePoint(0x10400), 0x10428u);
  EXPECT_EQ(FoldCodePoint(0x20400), 0x20400u);
  EXPECT_EQ(FoldCodePoint(0x00E4), 0x00E4u);  // already lower
  // Added to the folding after 5.2: not folded here.
  EXPECT_EQ(FoldCodePoint(0x13F8), 0x13F8u);
  EXPECT_EQ(FoldCodePoint(0xA7AB), 0xA7ABu);
}

TEST(FoldPathTest, SevenBitChangesOnlyAsciiLetters) {
  EXPECT_EQ(Fold("//Depot/\xC3\x84" "B", kSevenBit), "//depot/\xC3\x84" "b");
  EXPECT_EQ(Fold("", kSevenBit), "");
  EXPECT_EQ(Fold("@[`{ AZaz", kSevenBit), "@[`{ azaz");
}

TEST(FoldPathTest, LocaleModeUsesTolowerPerByte) {
  // The "C" locale of the test process: only A-Z change, length kept.
  EXPECT_EQ(Fold("//DEPOT/\xC3\x84x", kCLocale), "//depot/\xC3\x84x");
  EXPECT_EQ(Fold("", kCLocale), "");
}

TEST(FoldPathTest, Utf8FoldsThroughTheTable) {
  EXPECT_EQ(Fold("//Depot/\xC3\x84" "B", kUtf8), "//depot/\xC3\xA4" "b");
  EXPECT_EQ(Fold("\xE1\xBA\x9E", kUtf8), "\xC3\x9F");          // U+1E9E -> U+00DF (3 bytes to 2)
  EXPECT_EQ(Fold("\xC2\xB5", kUtf8), "\xCE\xBC");              // U+00B5 -> U+03BC
  EXPECT_EQ(Fold("\xF0\x90\x90\x80", kUtf8), "\xF0\x90\x90\xA8");  // U+10400 -> U+10428
  EXPECT_EQ(Fold("\xF0\xA0\x90\x80", kUtf8), "\xF0\xA0\x90\x80");  // U+20400 unchanged
  EXPECT_EQ(Fold("\xEF\xBC\xBA", kUtf8), "\xEF\xBD\x9A");      // U+FF3A -> U+FF5A
  // A letter that folds into ASCII leaves in the shortest form, so that it
  // meets the same letter typed in ASCII: KELVIN SIGN, LONG S, and an
  // overlong "A".
  EXPECT_EQ(Fold("\xE2\x84\xAA", kUtf8), "k");
  EXPECT_EQ(Fold("\xC5\xBF" "ure", kUtf8), "sure");
  EXPECT_EQ(Fold("\xC1\x81", kUtf8), "a");
  EXPECT_EQ(Fold("\xE0\x83\x84" "A", kUtf8), "\xC3\xA4" "a");  // overlong U+00C4
  EXPECT_EQ(Fold("", kUtf8), "");
}

TEST(FoldPathTest, Utf8PureAsciiMatchesSevenBit) {
  std::string path = "//Depot/Main/SRC/a.C";
  std::string seven, utf8;
  {
    seven = Fold(path, kSevenBit);
  }
  {
    utf8 = Fold(path, kUtf8);
  }
  EXPECT_EQ(seven, utf8);
  EXPECT_EQ(utf8, "//depot/main/src/a.c");
}

TEST(FoldPathTest, MalformedUtf8IsReportedAndCopied) {
  const std::string bad[] = {
      std::string("//Depot/\x80x"),      // continuation byte as a lead
      std::string("//Depot/a\xE1\xBA"),  // cut in the middle of a 3-byte sequence
      std::string("//Depot/\xF8\x88\x80\x80\x80"),  // 5-byte lead
      std::string("//Depot/\xC0\x01"),   // would decode below zero
  };
  for (const std::string& in : bad) {
    StrBuf direct;
    EXPECT_FALSE(FoldUtf8(in.data(), static_cast<uint32_t>(in.size()), &direct)) << in;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    std::string out = Fold(in, kUtf8);
    std::string err = testing::internal::GetCapturedStderr() + testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, in);  // unchanged, not lower-cased
    EXPECT_NE(err.find("Utf8 fold failure for path //Depot/"), std::string::npos) << err;
  }
}

}  // namespace
