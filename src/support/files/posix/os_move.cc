#include "support/files/posix/os_move.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

// renameat2 through the C library when it has the wrapper, else the system
// call itself.
int RenameNoReplace(const char* from, const char* to) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) < 0 ? errno : 0;
#elif defined(SYS_renameat2)
  return syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) < 0 ? errno : 0;
#else
  (void)from;
  (void)to;
  return ENOSYS;
#endif
}

}  // namespace

int OsMoveByLink(const char* from, const char* to) {
  if (::link(from, to) < 0) return errno;
  if (::unlink(from) < 0) {
    int err = errno;
    ::unlink(to);
    return err;
  }
  return 0;
}

int OsMoveNoReplace(const char* from, const char* to) {
  int err;
  do {
    err = RenameNoReplace(from, to);
  } while (err == EINTR);
  // Kernels and file systems without the flag say so with EINVAL or
  // ENOSYS; a hard link gives the same guarantee there.
  if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) return OsMoveByLink(from, to);
  return err;
}

bool OsMoveErrorIsTransient(int err) {
  return err == EINTR || err == EAGAIN || err == EBUSY || err == ETXTBSY;
}

bool OsNameExists(const char* name) {
  struct stat sb;
  return lstat(name, &sb) == 0;
}

int OsSyncFd(int fd) {
  while (fsync(fd) < 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

int OsSyncDir(const char* dir) {
  int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = OsSyncFd(fd);
  ::close(fd);
  // Some file systems cannot sync a directory; the entry is then as durable
  // as they make it.
  return err == EINVAL ? 0 : err;
}
