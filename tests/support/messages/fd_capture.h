// FdCapture: redirects a file descriptor (standard output or error) into a
// temporary file for the life of the object, so a test can read what the
// code under test wrote with write(2) or stdio.
#ifndef ZT_TESTS_SUPPORT_MESSAGES_FD_CAPTURE_H_
#define ZT_TESTS_SUPPORT_MESSAGES_FD_CAPTURE_H_

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

class FdCapture {
 public:
  explicit FdCapture(int fd) : fd_(fd) {
    fflush(stdout);
    fflush(stderr);
    char name[] = "/tmp/zt_capture_XXXXXX";
    tmp_ = mkstemp(name);
    unlink(name);
    saved_ = dup(fd_);
    dup2(tmp_, fd_);
  }
  ~FdCapture() { Restore(); close(tmp_); }

  // Everything written so far; restores the descriptor.
  std::string Text() {
    Restore();
    std::string out;
    lseek(tmp_, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = read(tmp_, buf, sizeof(buf))) > 0) out.append(buf, static_cast<size_t>(n));
    return out;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    fflush(stdout);
    fflush(stderr);
    dup2(saved_, fd_);
    close(saved_);
    saved_ = -1;
  }

  int fd_;
  int tmp_;
  int saved_;
};

#endif  // ZT_TESTS_SUPPORT_MESSAGES_FD_CAPTURE_H_
