// Character sets: steppers, the UTF-8 validator, the UTF-16 and UTF-8
// converters, the Unicode file kinds built on them, and system error texts.
#include <gtest/gtest.h>

#include <errno.h>

#include <string>

#include "support/files/filesys.h"
#include "support/text/charset.h"
#include "support/text/charset_cvt.h"
#include "support/text/charset_valid.h"
#include "test_util.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

// Converts the whole input in one call; *err gets the converter's result.
std::string Convert(CharSetCvt* cvt, const std::string& in, int* err, size_t room = 256) {
  std::string out(room, '\0');
  const char* s = in.data();
  char* t = out.data();
  *err = cvt->Convert(&s, in.data() + in.size(), &t, out.data() + room);
  out.resize(t - out.data());
  return out;
}

TEST(CharSetTest, NamesAndIds) {
  EXPECT_STREQ(CharSetApi::Name(0), "none");
  EXPECT_STREQ(CharSetApi::Name(17), "utf16");
  EXPECT_STREQ(CharSetApi::Name(37), "iso8859-2");
  EXPECT_EQ(CharSetApi::Name(38), nullptr);
  EXPECT_EQ(CharSetApi::Lookup("utf8-bom"), 18);
  EXPECT_EQ(CharSetApi::Lookup("bogus"), -1);
  EXPECT_TRUE(CharSetApi::IsUnicode(1));
  EXPECT_TRUE(CharSetApi::IsUnicode(26));
  EXPECT_FALSE(CharSetApi::IsUnicode(27));
  EXPECT_FALSE(CharSetApi::IsUnicode(2));
}

TEST(CharSetTest, Steppers) {
  std::string sj = Bytes({0x82, 0x00});
  auto s = CharStep::Create(sj.c_str(), CS_SHIFTJIS);
  EXPECT_EQ(s->Next(), sj.c_str() + 1);  // never over the NUL
  std::string sj2 = Bytes({0x82, 0xA0, 'a', 0});
  s = CharStep::Create(sj2.c_str(), CS_SHIFTJIS);
  EXPECT_EQ(s->Next(), sj2.c_str() + 2);
  std::string eu = Bytes({0x8F, 0xA1, 0xA2, 'x', 0});
  s = CharStep::Create(eu.c_str(), CS_EUCJP);
  EXPECT_EQ(s->Next(), eu.c_str() + 3);
  std::string cp = Bytes({0xC9, 'a', 0xB0, 0xA1, 0});
  s = CharStep::Create(cp.c_str(), CS_CP949);
  EXPECT_EQ(s->Next(), cp.c_str() + 1);  // 0xC9 is a single byte
  EXPECT_EQ(s->Next(), cp.c_str() + 2);
  EXPECT_EQ(s->Next(), cp.c_str() + 4);
  std::string u8 = "\xE2\x82\xAC" "a";
  s = CharStep::Create(u8.c_str(), CS_UTF8);
  EXPECT_EQ(s->Next(), u8.c_str() + 3);
  std::string cut = "\xF0\x9F";  // a cut sequence stops at the NUL
  s = CharStep::Create(cut.c_str(), CS_UTF8);
  EXPECT_EQ(s->Next(), cut.c_str() + 2);
  s = CharStep::Create(u8.c_str(), CS_NONE);
  EXPECT_EQ(s->Next(), u8.c_str() + 1);
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

TEST(CharSetTest, Utf16ToUtf8) {
  int err;
  CharSetCvtUTF168 le;
  EXPECT_EQ(Convert(&le, Bytes({0xFF, 0xFE, 0x41, 0x00}), &err), "A");
  EXPECT_EQ(err, CharSetCvt::NONE);
  CharSetCvtUTF168 flip;
  EXPECT_EQ(Convert(&flip, Bytes({0xFE, 0xFF, 0x00, 0x41, 0x20, 0xAC}), &err), "A\xE2\x82\xAC");
  CharSetCvtUTF168 pair;
  EXPECT_EQ(Convert(&pair, Bytes({0x3D, 0xD8, 0x00, 0xDE}), &err), "\xF0\x9F\x98\x80");
  // A lone low surrogate is invalid; the cursor stays before it.
  CharSetCvtUTF168 lone;
  std::string in = Bytes({0x41, 0x00, 0x00, 0xDC});
  const char* s = in.data();
  char out[16];
  char* t = out;
  EXPECT_EQ(lone.Convert(&s, in.data() + 4, &t, out + 16), CharSetCvt::NOMAPPING);
  EXPECT_EQ(s, in.data() + 2);
  EXPECT_EQ(t - out, 1);
  // A high surrogate at the end of the input waits for more.
  CharSetCvtUTF168 wait;
  Convert(&wait, Bytes({0x3D, 0xD8}), &err);
  EXPECT_EQ(err, CharSetCvt::PARTIALCHAR);
  // No room for a whole character.
  CharSetCvtUTF168 full;
  EXPECT_EQ(Convert(&full, Bytes({0xAC, 0x20}), &err, 2), "");
  EXPECT_EQ(err, CharSetCvt::PARTIALCHAR);
}

TEST(CharSetTest, Utf8ToUtf16) {
  int err;
  CharSetCvtUTF816 plain;
  EXPECT_EQ(Convert(&plain, "\xF0\x9F\x98\x80", &err), Bytes({0x3D, 0xD8, 0x00, 0xDE}));
  CharSetCvtUTF816 bom(-1, true);
  EXPECT_EQ(Convert(&bom, "\xEF\xBB\xBF" "A\n", &err), Bytes({0xFF, 0xFE, 0x41, 0x00, 0x0A, 0x00}));
  EXPECT_EQ(bom.LineCount(), 2);
  CharSetCvtUTF816 be(kBigEndian, false);
  EXPECT_EQ(Convert(&be, "A", &err), Bytes({0x00, 0x41}));
  CharSetCvtUTF816 bad;
  Convert(&bad, "\x80", &err);
  EXPECT_EQ(err, CharSetCvt::NOMAPPING);
  Convert(&bad, "\xF8\x88\x80\x80\x80", &err);
  EXPECT_EQ(err, CharSetCvt::NOMAPPING);
  CharSetCvtUTF816 cut;
  Convert(&cut, "a\xE2\x82", &err);
  EXPECT_EQ(err, CharSetCvt::PARTIALCHAR);
  // Round trip through both directions and the buffer helpers.
  std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\n";
  CharSetCvtUTF816 to;
  int n16 = 0;
  auto u16 = to.ConvertBuffer(text.data(), static_cast<int>(text.size()), &n16);
  ASSERT_TRUE(u16);
  auto back = to.Reverse();
  int n8 = 0;
  const char* u8 = back->ConvertFast(u16.get(), n16, &n8);
  ASSERT_TRUE(u8);
  EXPECT_EQ(std::string(u8, n8), text);
  CharSetCvtUTF168 sub;
  std::string withBad = Bytes({0x41, 0x00, 0x00, 0xDC, 0x42, 0x00});
  const char* r = sub.ConvertFastSubstituting(withBad.data(), 6, &n8);
  EXPECT_EQ(std::string(r, n8), "A?B");
  CharSetCvtUTF168 strict;
  EXPECT_EQ(strict.ConvertFast(withBad.data(), 6, &n8), nullptr);
}

TEST(CharSetTest, Utf8ToUtf8) {
  int err;
  CharSetCvtUTF8UTF8 in(1, CharSetCvtUTF8UTF8::kValidate);
  EXPECT_EQ(Convert(&in, "\xEF\xBB\xBFhi", &err), "hi");  // mark dropped
  CharSetCvtUTF8UTF8 bad(1, CharSetCvtUTF8UTF8::kValidate);
  EXPECT_EQ(Convert(&bad, "ok\xC0\xAFno", &err), "ok");
  EXPECT_EQ(err, CharSetCvt::NOMAPPING);
  CharSetCvtUTF8UTF8 out(-1, CharSetCvtUTF8UTF8::kWriteBom);
  EXPECT_EQ(Convert(&out, "x", &err), "\xEF\xBB\xBFx");
  EXPECT_EQ(Convert(&out, "y", &err), "y");  // only once
  // A character cut at the end of the room is left for the next call.
  CharSetCvtUTF8UTF8 cut(1, 0);
  EXPECT_EQ(Convert(&cut, "ab\xE2\x82\xAC", &err, 4), "ab");
  EXPECT_EQ(err, CharSetCvt::PARTIALCHAR);
}

TEST(CharSetTest, UnicodeFileKinds) {
  testutil::TempDir dir;
  std::string name = dir.File("u16");
  std::string text = "line \xE2\x82\xAC\nzwei \xF0\x9F\x98\x80\n";
  auto w = FileSys::Create(FST_UTF16);
  w->SetPath(StrPtr(name.c_str()));
  Error e;
  w->Open(FOM_WRITE, &e);
  w->Write(text.data(), static_cast<int>(text.size()), &e);
  w->Close(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  std::string disk = testutil::ReadFile(name);
  EXPECT_EQ(disk.substr(0, 4), Bytes({0xFF, 0xFE, 'l', 0}));
  auto r = FileSys::Create(FST_UTF16);
  r->SetPath(StrPtr(name.c_str()));
  r->Open(FOM_READ, &e);
  StrBuf line;
  EXPECT_EQ(r->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "line \xE2\x82\xAC");
  EXPECT_EQ(r->ReadLine(&line, &e), 1);
  EXPECT_EQ(line.ToString(), "zwei \xF0\x9F\x98\x80");
  EXPECT_EQ(r->ReadLine(&line, &e), 0);
  r->Close(&e);
  EXPECT_FALSE(e.Test()) << e.Text();

  // Invalid UTF-8 content is reported with its line.
  std::string u8 = dir.File("u8");
  testutil::WriteFile(u8, "good\nbad \xC0\xAF\n");
  auto v = FileSys::Create(FST_UTF8);
  v->SetPath(StrPtr(u8.c_str()));
  v->Open(FOM_READ, &e);
  char buf[64];
  int total = 0;
  for (int n; (n = v->Read(buf + total, 64 - total, &e)) > 0;) total += n;
  EXPECT_NE(e.Text().find("Translation of file content failed near line 2"), std::string::npos) << e.Text();
  v->Close(&e);
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
