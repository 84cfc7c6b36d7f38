// The whole catalogue of the program's messages, read from the sources:
// every MessageId has a code of its own, so that a code names one message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

TEST(MessageCatalogueTest, EveryCodeNamesOneMessage) {
  const std::regex def(R"(MessageId\s+(\w+)\s*=\s*\{\s*(0x[0-9a-fA-F]{8}))");
  std::map<unsigned long, std::string> seen;  // code -> message and file
  int messages = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::string(ZT_SOURCE_DIR) + "/src")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cc") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    for (std::sregex_iterator m(s.begin(), s.end(), def), end; m != end; ++m) {
      ++messages;
      const unsigned long code = std::stoul((*m)[2].str(), nullptr, 16);
      const std::string where = (*m)[1].str() + " in " + entry.path().filename().string();
      auto [it, isNew] = seen.emplace(code, where);
      EXPECT_TRUE(isNew) << (*m)[2].str() << " is the code of " << it->second << " and of " << where;
      EXPECT_GE(code >> 28, 1u) << where << ": no severity";
      EXPECT_LE(code >> 28, 4u) << where << ": no such severity";
    }
  }
  // The catalogue was found at all (the usage text, the verdicts, ...).
  EXPECT_GT(messages, 60);
}

}  // namespace
