#include "map/case_policy.h"

#include <gtest/gtest.h>

#include <string>

#include "map/translation_map.h"
#include "support/files/filesys.h"
#include "support/text/c_locale.h"
#include "support/text/fold.h"
#include "test_util.h"

namespace {

std::string Apply(Policy* p, const std::string& path) {
  StrBuf out;
  p->Translate(StrPtr(path.c_str()), &out);
  return out.ToString();
}

TEST(CasePolicyTest, LowerUpperMixed) {
  LowerCasePolicy lower;
  UpperCasePolicy upper;
  MixedCasePolicy mixed;
  EXPECT_EQ(Apply(&lower, "//Depot/\xC3\x84" "B.txt"), "//depot/\xC3\x84" "b.txt");
  EXPECT_EQ(Apply(&upper, "//depot/a.c"), "//DEPOT/A.C");
  EXPECT_EQ(Apply(&upper, "//d/\xC3\xA4"), "//D/\xC3\xA4");
  EXPECT_EQ(Apply(&mixed, "//depot/MAIN/readme.TXT"), "//Depot/Main/Readme.txt");
  EXPECT_EQ(Apply(&mixed, "//depot//MAIN/x"), "//Depot//Main/X");
  EXPECT_EQ(Apply(&mixed, ""), "");
  // In a locale given to the policy: ASCII as in "C", and the bytes of a
  // UTF-8 letter are no letters on their own.
  CLocale utf8("C.UTF-8");
  if (utf8.Valid()) {
    upper.SetLocale(utf8.Get());
    mixed.SetLocale(utf8.Get());
    EXPECT_EQ(Apply(&upper, "//d/\xC3\xA4x"), "//D/\xC3\xA4X");
    EXPECT_EQ(Apply(&mixed, "//depot/MAIN/\xC3\xA4X"), "//Depot/Main/\xC3\xA4x");
  }
}

TEST(CasePolicyTest, ApplyInPlace) {
  MixedCasePolicy mixed;
  StrBuf buf("//DEPOT/main");
  EXPECT_EQ(mixed.Translate(buf, &buf), 1);
  EXPECT_EQ(buf.ToString(), "//Depot/Main");
}

class PolicyMapTest : public testing::Test {
 protected:
  void Load(const std::string& text) {
    std::string path = dir.File("policy.txt");
    testutil::WriteFile(path, text);
    std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
    f->SetPath(StrPtr(path.c_str()));
    Error e;
    f->Open(kOpenRead, &e);
    testing::internal::CaptureStdout();
    map.Load(f.get(), &e);
    testing::internal::GetCapturedStdout();
    f->Close(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }

  testutil::TempDir dir;
  TranslationMap map{true};
};

TEST_F(PolicyMapTest, PolicyLimitedToMappedPaths) {
  Load("//depot/main/... //Depot/Main/...\n");
  LowerCasePolicy lower(&map);
  StrBuf out;
  EXPECT_EQ(lower.Translate("//Depot/Main/X.c", &out), 1);
  EXPECT_EQ(out.ToString(), "//depot/main/x.c");
  EXPECT_EQ(lower.Translate("//Depot/Rel/X.c", &out), 0);
  EXPECT_EQ(out.ToString(), "//Depot/Rel/X.c");
}

TEST_F(PolicyMapTest, CommentOnlyPolicyMapLimitsNothing) {
  Load("# nothing here\n");
  UpperCasePolicy upper(&map);
  EXPECT_EQ(Apply(&upper, "//depot/x"), "//DEPOT/X");
}

TEST_F(PolicyMapTest, LineInAPartitionOfItsOwnReachesNoOrdinaryPath) {
  Load("//depot/... //depot/...\n");
  LowerCasePolicy lower(&map);
  EXPECT_EQ(Apply(&lower, "//Depot/X/y.c"), "//Depot/X/y.c");
}

}  // namespace
