// Closing a file written through a device or pipe leaves that node's
// permissions alone; a regular file written anew still gets the permission
// code of its file object.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "support/files/filesys.h"
#include "test_util.h"

namespace {

int ModeOf(const std::string& path) {
  struct stat sb;
  return stat(path.c_str(), &sb) == 0 ? static_cast<int>(sb.st_mode & 07777) : -1;
}

void WriteThrough(const std::string& path, int perms, Error* e) {
  std::unique_ptr<FileSys> f = FileSys::Create(kFileBinary);
  f->SetPath(StrPtr(path.c_str()));
  f->SetPerms(perms);
  f->Open(kOpenWrite, e);
  if (e->Test()) return;
  f->Write("data\n", 5, e);
  f->Close(e);
}

TEST(FileIoSafetyTest, WritingThroughAPipeKeepsItsPermissions) {
  testutil::TempDir dir;
  std::string fifo = dir.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0640), 0);
  ASSERT_EQ(chmod(fifo.c_str(), 0640), 0);
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  Error e;
  WriteThrough(fifo, kPermReadOnly, &e);
  EXPECT_FALSE(e.Test()) << e.Text();
  char buf[16];
  EXPECT_EQ(read(reader, buf, sizeof buf), 5);
  close(reader);
  EXPECT_EQ(ModeOf(fifo), 0640);

  // A link to the pipe is followed the same way.
  std::string link = dir.File("link");
  ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
  reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  WriteThrough(link, kPermReadOnly, &e);
  close(reader);
  EXPECT_EQ(ModeOf(fifo), 0640);
}

TEST(FileIoSafetyTest, RegularFileStillGetsItsPermissionCode) {
  testutil::TempDir dir;
  std::string name = dir.File("plain");
  Error e;
  WriteThrough(name, kPermReadOnly, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(ModeOf(name) & 0222, 0);
  EXPECT_EQ(testutil::ReadFile(name), "data\n");
}

}  // namespace
