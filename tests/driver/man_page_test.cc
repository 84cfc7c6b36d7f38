// The manual page: clean under the man page linters when one is installed,
// and documenting every option the program accepts.
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <string>

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

const std::string kPage = std::string(ZT_SOURCE_DIR) + "/man/ztmigrate.1";

bool Have(const char* tool) {
  std::string probe = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return system(probe.c_str()) == 0;
}

// Runs a shell command; its exit status and everything it printed.
int RunShell(const std::string& command, std::string* output) {
  output->clear();
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) output->append(buf, n);
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ManPageTest, LintsClean) {
  std::string out;
  bool linted = false;
  if (Have("mandoc")) {
    EXPECT_EQ(RunShell("mandoc -Tlint -W warning '" + kPage + "'", &out), 0) << out;
    EXPECT_EQ(out, "");
    linted = true;
  }
  if (Have("groff")) {
    EXPECT_EQ(RunShell("groff -ww -man -Tutf8 -z '" + kPage + "'", &out), 0) << out;
    EXPECT_EQ(out, "");
    linted = true;
  }
  if (!linted) GTEST_SKIP() << "neither mandoc nor groff is installed";
}

TEST(ManPageTest, DocumentsEveryOption) {
  std::string page = testutil::ReadFile(kPage);
  ASSERT_FALSE(page.empty()) << kPage;
  for (const char* option : {"c", "C0", "C1", "h", "j", "l", "L", "o", "O", "p", "r", "R", "s",
                             "S", "t", "u", "v", "V"}) {
    std::string entry = std::string("\\-") + option;
    EXPECT_TRUE(page.find(".B " + entry + "\n") != std::string::npos ||
                page.find(".BI " + entry + " ") != std::string::npos)
        << "no OPTIONS entry for -" << option;
  }
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS",
                              "FILES", "EXAMPLES"})
    EXPECT_NE(page.find(std::string(".SH ") + section + "\n"), std::string::npos) << section;
}

}  // namespace
