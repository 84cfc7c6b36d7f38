// FoldPath on malformed UTF-8 that decodes past 21 bits: such a path is
// used unchanged rather than folded into the key of some other path, and
// folding stays idempotent.
#include <gtest/gtest.h>

#include <string>

#include "support/text/fold.h"

namespace {

class FoldHostileTest : public ::testing::Test {
 protected:
  std::string Fold(const std::string& s) {
    StrBuf in, out;
    in.Set(s.data(), static_cast<uint32_t>(s.size()));
    FoldPath(in, &out, FoldRules{FoldMode::kUtf8});
    return out.ToString();
  }
};

TEST_F(FoldHostileTest, OutOfRangeSequenceIsLeftUnchanged) {
  // F7 with unchecked trailing bytes accumulates beyond U+1FFFFF.
  std::string bad = "//depot/\xf7\xff\xff\xff/A";
  EXPECT_EQ(Fold(bad), bad);
  StrBuf out;
  EXPECT_FALSE(FoldUtf8(bad.data(), static_cast<uint32_t>(bad.size()), &out));
}

TEST_F(FoldHostileTest, FoldingIsIdempotent) {
  const char* samples[] = {("//Depot/\xc3\x84" "B"), "//d/\xf4\x8f\xbf\xbf/X", "//d/\xc3\x41/Q",
                           "//d/\xf7\xbf\xbf\xbf", "//d/\xe1\xba\x9e"};
  for (const char* s : samples) {
    std::string once = Fold(s);
    EXPECT_EQ(Fold(once), once) << s;
  }
}

}  // namespace
