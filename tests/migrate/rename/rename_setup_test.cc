#include "migrate/rename/rename_setup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "journal/journal_record.h"
#include "map/view_map.h"
#include "migrate/rename/archive_renamer.h"
#include "migrate/rename/rename_messages.h"
#include "rename_test_util.h"

namespace {

using renametest::InTempDir;
using renametest::MakeRecord;
using renametest::Put;

const char kDigits[] = "0123456789abcdef0123456789abcdef";
const char kUpper[] = "0123456789ABCDEF0123456789ABCDEF";

// Every name under dir, directories included.
std::set<std::string> Everything(const std::string& dir) {
  std::set<std::string> out;
  for (auto& entry : std::filesystem::recursive_directory_iterator(dir))
    out.insert(std::filesystem::relative(entry.path(), dir).generic_string());
  return out;
}

std::string Cwd() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? buf : "";
}

TEST(ProbeTest, CaseSensitiveDirectoryLeavesNothingBehind) {
  testutil::TempDir dir;
  Put(dir.File("keep"), "k");
  EXPECT_TRUE(ProbeCaseSensitive(StrPtr(dir.path().c_str())));
  EXPECT_TRUE(ProbeCaseSensitive(StrPtr(dir.path().c_str()), StrPtr(kDigits)));
  EXPECT_EQ((std::set<std::string>{"keep"}), Everything(dir.path()));
}

TEST(ProbeTest, ProbesTheCurrentDirectoryByDefault) {
  InTempDir tmp;
  EXPECT_TRUE(ProbeCaseSensitive());
  EXPECT_TRUE(Everything(".").empty());
}

TEST(ProbeTest, UpperCaseNameTakenMeansNotCaseSensitive) {
  // What a case-insensitive file system shows: the upper-case twin of the
  // probe file is already a file, so no directory can be made under it.
  testutil::TempDir dir;
  Put(dir.File(kUpper), "occupied");
  EXPECT_FALSE(ProbeCaseSensitive(StrPtr(dir.path().c_str()), StrPtr(kDigits)));
  EXPECT_EQ((std::set<std::string>{kUpper}), Everything(dir.path()));
  EXPECT_EQ("occupied", testutil::ReadFile(dir.File(kUpper)));
}

TEST(ProbeTest, NeverTouchesFilesItDidNotMake) {
  testutil::TempDir dir;
  Put(dir.File(kDigits), "mine");
  Put(dir.File(std::string(kUpper) + "/o"), "theirs");
  EXPECT_FALSE(ProbeCaseSensitive(StrPtr(dir.path().c_str()), StrPtr(kDigits)));
  EXPECT_EQ("mine", testutil::ReadFile(dir.File(kDigits)));
  EXPECT_EQ("theirs", testutil::ReadFile(dir.File(std::string(kUpper) + "/o")));
}

TEST(ProbeTest, UnwritableDirectoryIsNotCaseSensitive) {
  EXPECT_FALSE(ProbeCaseSensitive(StrPtr("/nonexistent/probe/dir")));
}

class ConfigTest : public ::testing::Test {
 protected:
  void Config(const char* server, const char* name, const char* value, bool scanOnly = true) {
    MakeRecord(&rec, {"pv", "1", "db.config", server, name, value});
    renametest::DebugCapture debug;
    OnConfigRecord(rec, scanOnly, &serverId, &serverRoot, &e);
    out += debug.Text();
  }

  JournalRecord rec;
  StrBuf serverId;
  StrBuf serverRoot;
  Error e;
  std::string out;
};

TEST_F(ConfigTest, AutodetectedIdChoosesTheRoot) {
  Config("any", "server.depot.root", "/wrong");  // before the id is known
  Config("Master", "configurationVersion", "1");
  Config("Replica", "configurationVersion", "1");
  Config("replica", "server.depot.root", "/replica");
  Config("MASTER", "server.depot.root", "/master");
  Config("Master", "server.depot.root", "/later");
  EXPECT_FALSE(e.Test());
  EXPECT_EQ("Master", serverId.ToString());
  EXPECT_EQ("/master", serverRoot.ToString());
  EXPECT_NE(std::string::npos, out.find("Autodetected serverId is Master\n"));
  EXPECT_NE(std::string::npos, out.find("using server.depot.root: /master\n"));
  EXPECT_EQ(std::string::npos, out.find("Replica\n"));
}

TEST_F(ConfigTest, AllMatchesAnyIdAndAGivenRootIsKept) {
  serverId.Set("s1");
  Config("all", "server.depot.root", "/all");
  EXPECT_EQ("/all", serverRoot.ToString());

  serverRoot.Set("/given");
  out.clear();
  Config("s1", "server.depot.root", "/config");
  EXPECT_EQ("/given", serverRoot.ToString());
  EXPECT_EQ("", out);
}

TEST_F(ConfigTest, RunsThatWriteOutputIgnoreTheConfiguration) {
  Config("s", "configurationVersion", "1", false);
  Config("all", "server.depot.root", "/r", false);
  EXPECT_TRUE(serverId.IsEmpty());
  EXPECT_TRUE(serverRoot.IsEmpty());
}

TEST(OpenArchiveRootTest, OpensTheRootWithoutChangingDirectory) {
  InTempDir tmp;
  Put("root/depot/a,v", "a");
  Put("depot/b,v", "b");
  std::string start = Cwd();
  ArchiveRenamer renamer;
  renamer.ListDir(StrPtr("depot"));  // under the working directory, by default
  Error e;
  EXPECT_TRUE(OpenArchiveRoot(StrPtr("root"), &renamer, &e));
  EXPECT_FALSE(e.Test()) << e.Text();
  // The working directory never changes; names are looked for under the
  // root from now on.
  EXPECT_EQ(start, Cwd());
  EXPECT_EQ(start + "/root", renamer.Locations()->Name(0).ToString());
  EXPECT_EQ(0, renamer.Cache()->Size());
  const DirListing& listing = renamer.ListDir(StrPtr("depot"));
  ASSERT_EQ(1, listing.Count());
  EXPECT_EQ("a,v", listing.Name(0).ToString());
}

TEST(OpenArchiveRootTest, MissingOrUnusableRootIsReported) {
  InTempDir tmp;
  std::string start = Cwd();
  for (const char* root : {"", "nowhere", "afile"}) {
    Put("afile", "x");
    ArchiveRenamer renamer;
    Error e;
    renametest::DebugCapture debug;
    EXPECT_FALSE(OpenArchiveRoot(StrPtr(root), &renamer, &e));
    const std::string& out = debug.Text();
    EXPECT_TRUE(e.Has(kMsgMissingFile)) << root;
    EXPECT_EQ(std::string("Missing file/directory. Failed to locate ") + root, e.Text());
    EXPECT_EQ(std::string("could not open Archive root directory ") + root + "\n", out);
    EXPECT_EQ(start, Cwd());
  }
}

TEST(AddDepotTest, LaterDepotsOverrideAndTheDefaultStays) {
  ViewMap map;
  Error e;
  map.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  AddDepot(StrPtr("spec"), StrPtr("specs/..."), &map, &e);
  AddDepot(StrPtr("Depot"), StrPtr("/abs/depot/..."), &map, &e);
  EXPECT_FALSE(e.Test());
  StrBuf out;
  ASSERT_NE(nullptr, map.Translate(0, StrPtr("//SPEC/a/b.c"), &out));
  EXPECT_EQ("specs/a/b.c", out.ToString());
  ASSERT_NE(nullptr, map.Translate(0, StrPtr("//depot/x"), &out));
  EXPECT_EQ("/abs/depot/x", out.ToString());
  EXPECT_EQ(nullptr, map.Translate(0, StrPtr("//other/x"), &out));
}

}  // namespace
