// The UTF-8 validator and system error texts.
#include <gtest/gtest.h>

#include <errno.h>

#include <string>

#include "support/text/charset.h"
#include "support/text/charset_valid.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

TEST(CharSetTest, Utf8Validator) {
  CharSetUTF8Valid v;
  const char* pos = nullptr;
  std::string bad = Bytes({'o', 'k', 0xE0, 0x80, 0x80});
  EXPECT_EQ(v.Valid(bad.data(), 5, &pos), 0);  // overlong
  EXPECT_EQ(pos, bad.data() + 2);
  v.Reset();
  std::string part1 = Bytes({0xE2, 0x82});
  std::string part2 = Bytes({0xAC});
  EXPECT_EQ(v.Valid(part1.data(), 2, &pos), 3);
  EXPECT_EQ(v.Valid(part2.data(), 1, &pos), 1);  // U+20AC completed
  for (auto seq : {Bytes({0xC0, 0xAF}), Bytes({0xED, 0xA0, 0x80}), Bytes({0xF4, 0x90, 0x80, 0x80}),
                   Bytes({0xF5, 0x80, 0x80, 0x80}), Bytes({0x80}), Bytes({0xC2, 'a'})}) {
    v.Reset();
    EXPECT_EQ(v.Valid(seq.data(), static_cast<int>(seq.size()), &pos), 0) << seq.size();
  }
  v.Reset();
  std::string good = "a\xC2\xA9\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
  EXPECT_EQ(v.Valid(good.data(), static_cast<int>(good.size()), &pos), 1);
}

TEST(CharSetTest, SystemErrorText) {
  StrBuf text;
  SysErrorText(ENOENT, &text);
  EXPECT_EQ(text.ToString(), "No such file or directory");
  errno = EMFILE;
  SysErrorText(0, &text);
  EXPECT_EQ(text.ToString(), "Too many open files");
}

}  // namespace
