#include "driver/driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "support/messages/fd_capture.h"
#include "test_util.h"

namespace {

TEST(DriverTest, VerbosityScale) {
  EXPECT_EQ(VerbosityLevel("9"), 5);
  EXPECT_EQ(VerbosityLevel("5"), 5);
  EXPECT_EQ(VerbosityLevel("3"), 3);
  EXPECT_EQ(VerbosityLevel("0"), 0);
  EXPECT_EQ(VerbosityLevel("-2"), 1);
  EXPECT_EQ(VerbosityLevel("x"), 0);
  EXPECT_EQ(VerbosityLevel("99999999999999999999"), 5);
  EXPECT_STREQ(VerbosityName(0), "none");
  EXPECT_STREQ(VerbosityName(1), "error");
  EXPECT_STREQ(VerbosityName(3), "info");
  EXPECT_STREQ(VerbosityName(5), "debug");
}

TEST(DriverTest, PolicyNamesAreExact) {
  EXPECT_EQ(PolicyKindFromName("lower"), 1);
  EXPECT_EQ(PolicyKindFromName("upper"), 2);
  EXPECT_EQ(PolicyKindFromName("mixed"), 3);
  EXPECT_EQ(PolicyKindFromName("head"), 4);
  EXPECT_EQ(PolicyKindFromName("Lower"), 0);
  EXPECT_EQ(PolicyKindFromName("low"), 0);
}

// Runs the confirmation over the given input; returns its answer and the
// number of times it asked.
bool Confirm(const std::string& input, int* asked, std::string* output = nullptr) {
  std::string in_copy = input;
  FILE* in = in_copy.empty() ? fopen("/dev/null", "r")
                             : fmemopen(in_copy.data(), in_copy.size(), "r");
  char* buf = nullptr;
  size_t len = 0;
  FILE* out = open_memstream(&buf, &len);
  bool answer = ConfirmAdvancedFeature(in, out);
  fclose(out);
  fclose(in);
  std::string text(buf, len);
  free(buf);
  *asked = 0;
  for (size_t p = 0; (p = text.find("Have you read", p)) != std::string::npos; ++p) ++*asked;
  if (output) *output = text;
  return answer;
}

TEST(DriverTest, ConfirmationAnswers) {
  int asked;
  std::string out;
  EXPECT_TRUE(Confirm("y\n", &asked, &out));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(out.rfind("\nUSING A POLICY AND A TRANSLATION MAP", 0), 0u);
  EXPECT_TRUE(Confirm("Yes please\n", &asked));
  EXPECT_FALSE(Confirm("n\n", &asked));
  EXPECT_FALSE(Confirm("No\n", &asked));
  EXPECT_TRUE(Confirm("?\n\nY\n", &asked, &out));
  EXPECT_EQ(asked, 3);
  EXPECT_NE(out.find("Invalid response. Please try again...\n\n"), std::string::npos);
  // The end of input is a refusal, with or without earlier answers.
  EXPECT_FALSE(Confirm("", &asked));
  EXPECT_FALSE(Confirm("maybe", &asked));
  EXPECT_EQ(asked, 2);
  // An over-long answer counts once, not once per 31 characters.
  EXPECT_FALSE(Confirm(std::string(100, 'z') + "\nn\n", &asked));
  EXPECT_EQ(asked, 2);
}

int RunWith(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return RunDriver(static_cast<int>(args.size()), argv.data());
}

TEST(DriverTest, ScanOnlyRunOfConsistentCheckpointSucceeds) {
  testutil::TempDir dir;
  std::string ckp = dir.File("x.ckp");
  testutil::WriteFile(ckp, "@pv@ 1 @db.nameval@ @change@ @42@ \n");
  FdCapture err(2);
  int status = RunWith({"ztmigrate", ckp});
  std::string text = err.Text();
  EXPECT_EQ(status, 0) << text;
  EXPECT_NE(text.find("ztmigrate info:\n\t\nSuccess: all case-inconsistencies have been resolved.\n\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("warning"), std::string::npos) << text;
}

TEST(DriverTest, OutputOverInputLeavesInputAlone) {
  testutil::TempDir dir;
  std::string ckp = dir.File("x.ckp");
  const std::string content = "@pv@ 1 @db.nameval@ @change@ @42@ \n";
  testutil::WriteFile(ckp, content);
  for (const char* opt : {"-o", "-O"}) {
    // Even -f never lets an output replace the input.
    FdCapture err(2);
    int status = RunWith({"ztmigrate", "-f", opt, ckp, ckp});
    std::string text = err.Text();
    EXPECT_EQ(status, -1) << opt;
    EXPECT_NE(text.find("is the input checkpoint"), std::string::npos) << text;
    EXPECT_EQ(testutil::ReadFile(ckp), content) << opt;
  }
  {
    // Without -f the existing file is refused first.
    FdCapture err(2);
    EXPECT_EQ(RunWith({"ztmigrate", "-o", ckp, ckp}), -1);
    EXPECT_NE(err.Text().find("(-o) already exists"), std::string::npos);
    EXPECT_EQ(testutil::ReadFile(ckp), content);
  }
  // A parallel checkpoint directory given as its own -O target.
  std::string pdir = dir.File("pdir");
  mkdir(pdir.c_str(), 0777);
  testutil::WriteFile(dir.File("pdir/db.nameval.ckp"), content);
  FdCapture err(2);
  EXPECT_EQ(RunWith({"ztmigrate", "-O", pdir + "/.", pdir}), -1);
  err.Text();
  EXPECT_EQ(testutil::ReadFile(dir.File("pdir/db.nameval.ckp")), content);
}

}  // namespace
