#include "migrate/disk_spelling.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "map/view_map.h"
#include "test_util.h"

namespace {

TEST(DiskSpellingTest, FindsEveryCaseOfTheLastComponentAndNoLinks) {
  testutil::TempDir dir;
  const std::string root = dir.File("root");
  for (const char* d : {"root", "root/depot", "root/depot/Main", "root/depot/main",
                        "root/depot/Main/Src", "root/depot/Main/Src/Logo.png,d", "outside",
                        "outside/x"})
    ASSERT_EQ(mkdir(dir.File(d).c_str(), 0755), 0) << d;
  testutil::WriteFile(dir.File("root/depot/Main/Src/a.c,v"), "");
  testutil::WriteFile(dir.File("root/depot/Main/Src/A.C,v"), "");
  ASSERT_EQ(symlink(dir.File("outside").c_str(), dir.File("root/depot/Linked").c_str()), 0);

  ViewMap depotMap;
  depotMap.Insert("//depot/...", "depot/...", IncludeMapping);
  DiskSpelling disk(StrPtr(root.c_str()), &depotMap);
  // Two directories of one name in different cases, both named.
  EXPECT_EQ(disk.Find("//depot/MAIN"), "Main main");
  // Components above the last are found ignoring case; archive suffixes
  // (",v", ",d") are not part of the spelling.
  EXPECT_EQ(disk.Find("//depot/main/src/a.c"), "A.C a.c");
  EXPECT_EQ(disk.Find("//depot/main/src/logo.png"), "Logo.png");
  // The depot's own directory, through a path below it.
  EXPECT_EQ(disk.Find("//depot"), "depot");
  // Nothing is looked up through a symbolic link, and nothing missing is
  // invented.
  EXPECT_EQ(disk.Find("//depot/linked/x"), "");
  EXPECT_EQ(disk.Find("//depot/nothing/here"), "");
  EXPECT_EQ(disk.Find("//other/x"), "");
  DiskSpelling noMap(StrPtr(root.c_str()), nullptr);
  EXPECT_EQ(noMap.Find("//depot/main"), "");
}

}  // namespace
