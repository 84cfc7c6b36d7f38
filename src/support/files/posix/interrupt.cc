// Interrupts: SIGINT, SIGTERM and SIGHUP are blocked in every thread and
// taken by a watcher thread with sigwait, so that nothing runs inside a
// signal handler. The watcher records the signal; the main thread sees it at
// its next check (InterruptSignal), stops the run and removes its unfinished
// outputs on the normal path. A main thread that does not finish in time
// (blocked on a pipe or a prompt), or a second signal, makes the watcher
// remove the files marked delete-on-close and end the process itself.
#include <signal.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"

namespace {

// How long the main thread has to stop after the first signal.
const int kGraceSeconds = 5;

std::atomic<int> pendingSignal{0};
bool installed = false;

void WatchSignals(sigset_t set) {
  int sig = 0;
  while (sigwait(&set, &sig) != 0) {
  }
  pendingSignal.store(sig);
  struct timespec grace = {kGraceSeconds, 0};
  siginfo_t info;
  // A second signal or the end of the grace time: the main thread is not
  // coming back (the normal path ends the process before this returns).
  sigtimedwait(&set, &info, &grace);
  static const char kText[] = "ztmigrate: interrupted; unfinished outputs removed\n";
  ssize_t ignored = write(STDERR_FILENO, kText, sizeof(kText) - 1);
  (void)ignored;
  FileSys::UnlinkAllMarked();
  _exit(128 + sig);
}

}  // namespace

void InstallInterruptHandler() {
  if (installed) return;
  installed = true;
  signal(SIGXFSZ, SIG_IGN);
  sigset_t set;
  sigemptyset(&set);
  // A signal ignored when the program started (nohup, a background job of a
  // shell without job control) stays ignored.
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) &&
        old.sa_handler == SIG_IGN)
      continue;
    sigaddset(&set, sig);
  }
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  OsStartThread([set] { WatchSignals(set); }).detach();
}

int InterruptSignal() { return pendingSignal.load(std::memory_order_relaxed); }
