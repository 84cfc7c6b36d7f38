// An interrupt in the middle of a write: the watcher thread only records
// the signal, the main thread sees it, stops and abandons its output while
// the file's own thread is still compressing, and the unfinished file is
// gone. Run under ThreadSanitizer too, where any unsynchronised access
// between the three threads fails the run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/files/filesys.h"
#include "test_util.h"

namespace {

TEST(InterruptThreadTest, SignalMidWriteStopsTheRunAndRemovesTheUnfinishedOutput) {
  testutil::TempDir dir;
  std::string name = dir.File("out.gz");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(ready[0]);
    InstallInterruptHandler();
    auto f = FileSys::Create(kFileGzip);
    f->SetPath(StrPtr(name.c_str()));
    f->SetAtomicReplace();
    Error e;
    f->Open(kOpenWrite, &e);
    std::string chunk = testutil::PseudoText(1 << 16, 7, 31, 5);
    bool told = false;
    long chunks = 0;
    // Writes until the interrupt is seen, as the scan does record by record.
    while (!InterruptSignal() && !e.Test() && chunks < 100000) {
      f->Write(chunk.data(), static_cast<int>(chunk.size()), &e);
      if (++chunks == 8 && !told) {
        told = write(ready[1], "x", 1) == 1;
      }
    }
    int sig = InterruptSignal();
    // The run abandons the output: no commit, so the file goes with it.
    f.reset();
    _exit(sig == SIGTERM && !e.Test() && chunks >= 8 ? 40 : 41);
  }
  close(ready[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 40);
  EXPECT_EQ(testutil::ListDir(dir.path()), std::vector<std::string>{});
}

}  // namespace
