// The file family on the local file system: the factory, status flags,
// open failures, permission codes, directory walks, delete-on-close,
// atomic outputs and the append-only file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "test_util.h"

namespace {

std::unique_ptr<FileSys> Named(int type, const std::string& name) {
  auto f = FileSys::Create(type);
  f->SetPath(StrPtr(name.c_str()));
  return f;
}

int Mode(const std::string& name) {
  struct stat sb;
  return stat(name.c_str(), &sb) == 0 ? static_cast<int>(sb.st_mode & 07777) : -1;
}

class FileSysTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSettings(); }
  testutil::TempDir dir;
};

TEST_F(FileSysTest, FactoryKinds) {
  EXPECT_TRUE(FileSys::Create(kFileText));
  EXPECT_TRUE(FileSys::Create(kFileBinary));
  EXPECT_TRUE(FileSys::Create(kFileGzip));
  EXPECT_TRUE(FileSys::Create(kFileAppend));
  EXPECT_FALSE(FileSys::Create(3));
  EXPECT_FALSE(FileSys::Create(0));
  auto f = FileSys::Create(kFileGzip);
  EXPECT_EQ(f->GetType(), kFileGzip);
  EXPECT_TRUE(f->GetPath().IsEmpty());
}

TEST_F(FileSysTest, StatFlags) {
  EXPECT_EQ(Named(kFileBinary, dir.File("missing"))->Stat(), 0);
  int d = Named(kFileBinary, dir.path())->Stat();
  EXPECT_EQ(d, kStatExists | kStatDirectory | kStatSpecial);
  testutil::WriteFile(dir.File("full"), "x");
  EXPECT_EQ(Named(kFileText, dir.File("full"))->Stat(), kStatExists);
  ASSERT_EQ(symlink("full", dir.File("link").c_str()), 0);
  EXPECT_EQ(Named(kFileText, dir.File("link"))->Stat(), kStatExists | kStatSymlink);
  EXPECT_EQ(Named(kFileText, "/dev/null")->Stat(), kStatExists | kStatSpecial);
  EXPECT_EQ(Named(kFileText, dir.File("full"))->GetSize(), 1);
  EXPECT_EQ(Named(kFileText, dir.File("missing"))->GetSize(), -1);
}

TEST_F(FileSysTest, OpenFailureMessages) {
  auto f = Named(kFileText, "/no/such");
  Error e;
  f->Open(kOpenRead, &e);
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_NE(e.Text().find("open for read: /no/such: No such file or directory"), std::string::npos)
      << e.Text();
  Error w;
  f->Open(kOpenWrite, &w);
  EXPECT_NE(w.Text().find("open for write: /no/such: No such file or directory"), std::string::npos)
      << w.Text();
  // Reading a file that is not open names the bad handle.
  Error r;
  char c;
  EXPECT_EQ(f->Read(&c, 1, &r), -1);
  EXPECT_NE(r.Text().find("Read: /no/such: Bad file descriptor"), std::string::npos) << r.Text();
}

TEST_F(FileSysTest, PermissionCodesAppliedOnClose) {
  std::string name = dir.File("p");
  for (int code : {kPermReadOnly, kPermReadWrite}) {
    auto f = Named(kFileText, name);
    f->SetPerms(code);
    Error e;
    f->Open(kOpenWrite, &e);
    f->Write("x", 1, &e);
    f->Close(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
    int want = (code == kPermReadWrite ? 0600 : 0400) & ~0077 & ~[] {
      mode_t m = umask(0);
      umask(m);
      return static_cast<int>(m);
    }();
    EXPECT_EQ(Mode(name), want) << code;
  }
  // Reading leaves permissions alone.
  chmod(name.c_str(), 0644);
  auto f = Named(kFileBinary, name);
  Error e;
  f->Open(kOpenRead, &e);
  f->Close(&e);
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(Mode(name), 0644);
}

TEST_F(FileSysTest, ExclusiveOpenKeepsExistingFile) {
  std::string name = dir.File("excl");
  testutil::WriteFile(name, "keep me");
  {
    auto f = Named(kFileBinary | kFileExclusive, name);
    Error e;
    f->Open(kOpenWrite, &e);
    EXPECT_NE(e.Text().find("open for write: " + name + ": File exists"), std::string::npos) << e.Text();
  }
  EXPECT_EQ(testutil::ReadFile(name), "keep me");
}

TEST_F(FileSysTest, DeleteOnCloseAndUnlinkAllMarked) {
  // An atomic output never committed goes with its object...
  {
    auto f = Named(kFileText, dir.File("a"));
    f->SetAtomicReplace();
    Error e;
    f->Open(kOpenWrite, &e);
    f->Write("data", 4, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
  }
  EXPECT_TRUE(testutil::ListDir(dir.path()).empty());
  // ... or with the last resort of an interrupt.
  auto g = Named(kFileText, dir.File("b"));
  g->SetAtomicReplace();
  Error e;
  g->Open(kOpenWrite, &e);
  std::string b = g->GetPath().ToString();
  ASSERT_TRUE(testutil::FileExists(b));
  auto keep = Named(kFileText, dir.File("keep"));
  keep->Open(kOpenWrite, &e);
  // An atomic output once committed is no longer marked: the last resort
  // of an interrupt must never remove a finished output.
  auto done = Named(kFileText, dir.File("done"));
  done->SetAtomicReplace();
  done->Open(kOpenWrite, &e);
  done->Write("x", 1, &e);
  done->Commit(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  FileSys::UnlinkAllMarked();
  EXPECT_FALSE(testutil::FileExists(b));
  EXPECT_TRUE(testutil::FileExists(dir.File("keep")));
  EXPECT_EQ(testutil::ReadFile(dir.File("done")), "x");
}

TEST_F(FileSysTest, MkDirAndRmDirWalk) {
  std::string file = dir.File("x/y/z/file");
  auto f = FileSys::Create(kFileBinary);
  Error e;
  f->MkDir(StrPtr(file.c_str()), &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_TRUE(Named(kFileBinary, dir.File("x/y/z"))->Stat() & kStatDirectory);
  f->MkDir(StrPtr(file.c_str()), &e);  // existing directories are fine
  EXPECT_FALSE(e.Test());
  testutil::WriteFile(dir.File("x/keep"), "k");
  f->RmDir(StrPtr(file.c_str()), &e);
  EXPECT_FALSE(testutil::FileExists(dir.File("x/y")));
  EXPECT_TRUE(testutil::FileExists(dir.File("x")));  // not empty: stays
  // A stop directory is never removed.
  f->MkDir(StrPtr(file.c_str()), &e);
  f->SetStopDir(StrPtr(dir.File("x/y").c_str()));
  f->RmDir(StrPtr(file.c_str()), &e);
  EXPECT_FALSE(testutil::FileExists(dir.File("x/y/z")));
  EXPECT_TRUE(testutil::FileExists(dir.File("x/y")));

  // A parent that is a file cannot be made.
  testutil::WriteFile(dir.File("plain"), "");
  Error m;
  f->MkDir(StrPtr(dir.File("plain/sub/f").c_str()), &m);
  EXPECT_NE(m.Text().find("mkdir: " + dir.File("plain/sub") + ": Not a directory"), std::string::npos)
      << m.Text();
  // A name longer than the platform takes is refused before any is made.
  std::string longName = dir.File(std::string(5000, 'n') + "/f");
  Error tooLong;
  f->MkDir(StrPtr(longName.c_str()), &tooLong);
  EXPECT_NE(tooLong.Text().find("is length " + std::to_string(longName.size()) +
                                " which exceeds the internal length limit of 4096."),
            std::string::npos)
      << tooLong.Text().substr(0, 100);
}

TEST_F(FileSysTest, ScanDir) {
  std::string root = dir.File("tree");
  auto f = Named(kFileBinary, root);
  Error e;
  f->MkDir(StrPtr((root + "/d/e/f").c_str()), &e);
  testutil::WriteFile(root + "/one", "1");
  testutil::WriteFile(root + "/d/two", "2");
  testutil::WriteFile(root + "/d/e/three", "3");
  auto names = f->ScanDir(&e);
  std::vector<std::string> got;
  for (int i = 0; i < names->Count(); ++i) got.push_back(names->At(i)->ToString());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"d", "one"}));
  // A directory that cannot be listed is empty, and says why.
  Error missing;
  EXPECT_EQ(Named(kFileBinary, dir.File("nothing"))->ScanDir(&missing)->Count(), 0);
  EXPECT_EQ(missing.Text(), "list directory: " + dir.File("nothing") + ": No such file or directory");
}

TEST_F(FileSysTest, AppendFileAddsUnderLock) {
  std::string log = dir.File("log");
  for (int i = 0; i < 2; ++i) {
    auto f = Named(kFileAppend, log);
    f->SetPerms(kPermReadWrite);
    Error e;
    f->Open(kOpenWrite, &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    f->Write("line\n", 5, &e);
    chmod(log.c_str(), 0640);
    f->Close(&e);
    EXPECT_FALSE(e.Test()) << e.Text();
    EXPECT_EQ(Mode(log), 0640);  // Close never changes a log's permissions
  }
  EXPECT_EQ(testutil::ReadFile(log), "line\nline\n");
}

TEST_F(FileSysTest, UnlinkReportsOnlyRealFailures) {
  std::string name = dir.File("u");
  testutil::WriteFile(name, "");
  auto f = Named(kFileBinary, name);
  Error e;
  f->Unlink(&e);
  EXPECT_FALSE(e.Test());
  EXPECT_FALSE(testutil::FileExists(name));
  f->Unlink(nullptr);  // no Error: nothing reported, no crash
  f->Unlink(&e);
  EXPECT_NE(e.Text().find("unlink: " + name + ": No such file or directory"), std::string::npos) << e.Text();
}

// Runs body in a child process and returns its exit status (-1 when it
// did not exit normally).
template <typename Body>
int InChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(FileSysTest, InterruptIsSeenByTheMainThreadThenForcedBySecondSignal) {
  // The first signal is only recorded: the main thread sees it at its next
  // check and ends the run itself.
  int status = InChild([] {
    InstallInterruptHandler();
    kill(getpid(), SIGTERM);
    for (int i = 0; i < 2000 && !InterruptSignal(); ++i) usleep(1000);
    _exit(InterruptSignal() == SIGTERM ? 40 : 41);
  });
  EXPECT_EQ(status, 40);

  // A main thread that does not come back: a second signal removes the
  // files marked delete-on-close and ends the process with 128 + signal.
  std::string temp = dir.File("partial");
  std::string kept = dir.File("kept");
  status = InChild([&] {
    InstallInterruptHandler();
    auto t = Named(kFileText, temp);
    t->SetAtomicReplace();
    auto k = Named(kFileText, kept);
    Error e;
    t->Open(kOpenWrite, &e);
    k->Open(kOpenWrite, &e);
    k->Write("k", 1, &e);
    kill(getpid(), SIGINT);
    // Signals of one kind do not queue: the second is sent once the first
    // has been taken.
    while (!InterruptSignal()) usleep(1000);
    kill(getpid(), SIGINT);
    for (;;) pause();
  });
  EXPECT_EQ(status, 128 + SIGINT);
  EXPECT_EQ(testutil::ListDir(dir.path()), std::vector<std::string>{"kept"});

  // A signal ignored when the program started stays ignored.
  status = InChild([] {
    signal(SIGHUP, SIG_IGN);
    InstallInterruptHandler();
    kill(getpid(), SIGHUP);
    usleep(50000);
    _exit(InterruptSignal() == 0 ? 42 : 43);
  });
  EXPECT_EQ(status, 42);
}

TEST_F(FileSysTest, AtomicWriteTakesTheNameOnlyAtCommit) {
  std::string name = dir.File("out.ckp");
  testutil::WriteFile(name, "earlier run\n");

  // Written and closed but never committed: the earlier file stays, and
  // the temporary file goes with the object.
  {
    auto f = Named(kFileText, name);
    f->SetAtomicReplace();
    Error e;
    f->Open(kOpenWrite, &e);
    ASSERT_FALSE(e.Test());
    EXPECT_NE(f->GetPath().ToString(), name);
    EXPECT_EQ(f->FinalPath().ToString(), name);
    EXPECT_NE(f->GetPath().ToString().find("/.out.ckp.ztmigrate-"), std::string::npos);
    f->Write("half", 4, &e);
    f->Close(&e);
    EXPECT_TRUE(testutil::FileExists(f->GetPath().ToString()));
  }
  EXPECT_EQ(testutil::ReadFile(name), "earlier run\n");
  EXPECT_EQ(testutil::ListDir(dir.path()).size(), 1u);

  // Committed: the new content replaces the old in one step, with the
  // program's permissions.
  {
    auto f = Named(kFileText, name);
    f->SetAtomicReplace();
    f->SetPerms(kPermReadWrite);
    Error e;
    f->Open(kOpenWrite, &e);
    f->Write("new\n", 4, &e);
    f->Commit(&e);
    ASSERT_FALSE(e.Test());
    EXPECT_FALSE(f->AwaitsCommit());
    EXPECT_EQ(f->GetPath().ToString(), name);
  }
  EXPECT_EQ(testutil::ReadFile(name), "new\n");
  EXPECT_EQ(testutil::ListDir(dir.path()).size(), 1u);
  struct stat sb;
  ASSERT_EQ(stat(name.c_str(), &sb), 0);
  EXPECT_EQ(sb.st_mode & 0077, 0u);

  // A device of the name is written in place, never replaced.
  auto null = Named(kFileText, "/dev/null");
  null->SetAtomicReplace();
  Error e;
  null->Open(kOpenWrite, &e);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(null->GetPath().ToString(), "/dev/null");
  EXPECT_FALSE(null->AwaitsCommit());
  null->Close(&e);
  null->Commit(&e);
  EXPECT_FALSE(e.Test());
}

TEST_F(FileSysTest, AWriteThatKeepsExistingFilesNeverReplacesOneThatTookTheName) {
  std::string name = dir.File("out.ckp");
  auto f = Named(kFileText, name);
  f->SetAtomicReplace();
  f->SetKeepExisting();
  Error e;
  f->Open(kOpenWrite, &e);
  f->Write("ours\n", 5, &e);
  // Another run gives the name its file while this one writes.
  testutil::WriteFile(name, "theirs\n");
  f->Commit(&e);
  EXPECT_TRUE(e.Test());
  EXPECT_TRUE(f->AwaitsCommit());
  f.reset();
  EXPECT_EQ(testutil::ReadFile(name), "theirs\n");
  EXPECT_EQ(testutil::ListDir(dir.path()).size(), 1u);  // our temporary file went

  // With the name free the same commit goes through.
  auto g = Named(kFileText, dir.File("free.ckp"));
  g->SetAtomicReplace();
  g->SetKeepExisting();
  Error e2;
  g->Open(kOpenWrite, &e2);
  g->Write("ours\n", 5, &e2);
  g->Commit(&e2);
  EXPECT_FALSE(e2.Test());
  EXPECT_EQ(testutil::ReadFile(dir.File("free.ckp")), "ours\n");
}

TEST_F(FileSysTest, AtomicWriteIntoAMissingDirectoryFailsWithTheName) {
  std::string name = dir.File("no/such/dir/out.ckp");
  auto f = Named(kFileText, name);
  f->SetAtomicReplace();
  Error e;
  f->Open(kOpenWrite, &e);
  ASSERT_TRUE(e.Test());
  StrBuf text;
  e.FormatMessages(&text, 0);
  EXPECT_NE(text.ToString().find(name), std::string::npos) << text.ToString();
}

}  // namespace
