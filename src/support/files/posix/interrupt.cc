// The interrupt handler: on SIGINT, SIGTERM or SIGHUP the previous handler
// is put back, every file marked delete-on-close is cleaned up, and the
// process exits with status -1.
#include <signal.h>
#include <stdlib.h>

#include "support/files/filesys.h"

static const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
static struct sigaction previous[3];
static bool installed[3];

static void OnInterrupt(int sig) {
  for (int i = 0; i < 3; ++i)
    if (kSignals[i] == sig && installed[i]) sigaction(sig, &previous[i], nullptr);
  FileSys::CleanupAll();
  exit(-1);
}

void InstallInterruptHandler() {
  for (int i = 0; i < 3; ++i) {
    if (installed[i]) continue;
    struct sigaction old;
    if (sigaction(kSignals[i], nullptr, &old) != 0) continue;
    // Someone else's handler (or an ignored signal) is left alone.
    if (!(old.sa_flags & SA_SIGINFO) && old.sa_handler != SIG_DFL) continue;
    if (old.sa_flags & SA_SIGINFO) continue;
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    if (sigaction(kSignals[i], &sa, &previous[i]) == 0) installed[i] = true;
  }
}
