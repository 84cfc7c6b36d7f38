#include "support/files/posix/os_beneath.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

const int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

int Retry(int rc) { return rc < 0 ? errno : 0; }

// The kernel's confined lookup: rel beneath dirFd, no link followed, no
// escape. ENOSYS where the kernel (or a filter) lacks it.
int OpenBeneathKernel(int dirFd, const std::string& rel, int* fd) {
#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
  struct open_how how = {};
  how.flags = kDirFlags;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  long r;
  do {
    r = syscall(SYS_openat2, dirFd, rel.c_str(), &how, sizeof how);
  } while (r < 0 && (errno == EINTR || errno == EAGAIN));
  if (r < 0) return errno;
  *fd = static_cast<int>(r);
  return 0;
#else
  (void)dirFd;
  (void)rel;
  (void)fd;
  return ENOSYS;
#endif
}

bool IsPlainComponent(std::string_view c) {
  return !c.empty() && c != "." && c != ".." && c.find('\0') == std::string_view::npos;
}

// One component at a time, each opened without following a link, except
// the component numbered follow (1-based; 0 for none).
int OpenByComponents(int dirFd, std::string_view rel, int follow, int* fd) {
  int cur = dirFd == AT_FDCWD ? open(".", kDirFlags) : fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (cur < 0) return errno;
  int index = 0;
  size_t pos = 0;
  while (pos <= rel.size()) {
    size_t slash = rel.find('/', pos);
    if (slash == std::string_view::npos) slash = rel.size();
    std::string component(rel.substr(pos, slash - pos));
    pos = slash + 1;
    ++index;
    if (!IsPlainComponent(component)) {
      close(cur);
      return EXDEV;
    }
    int flags = kDirFlags | (index == follow ? 0 : O_NOFOLLOW);
    int next;
    do {
      next = openat(cur, component.c_str(), flags);
    } while (next < 0 && errno == EINTR);
    int err = next < 0 ? errno : 0;
    close(cur);
    if (err) return err;
    cur = next;
    if (slash == rel.size()) break;
  }
  *fd = cur;
  return 0;
}

// rel beneath dirFd with no link followed: the kernel's lookup where it
// serves, else component by component (also for names too long for one
// system call, which the components can still reach).
int OpenNoLinks(int dirFd, std::string_view rel, int* fd) {
  std::string name(rel);
  int err = OpenBeneathKernel(dirFd, name, fd);
  if (err == ENOSYS || err == EPERM || err == EINVAL || err == E2BIG || err == ENAMETOOLONG)
    err = OpenByComponents(dirFd, rel, 0, fd);
  return err;
}

}  // namespace

int OsOpenTopDir(const char* name, int* fd) {
  int r;
  do {
    r = open(name, kDirFlags);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return errno;
  *fd = r;
  return 0;
}

int OsOpenDirBeneath(int dirFd, std::string_view rel, int linkAt, int* fd) {
  if (rel.empty()) {
    int r = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (r < 0) return errno;
    *fd = r;
    return 0;
  }
  // Count the components up to the one that may be a link.
  size_t cut = std::string_view::npos;
  if (linkAt > 0) {
    int index = 1;
    size_t pos = 0;
    while (index < linkAt && pos != std::string_view::npos) {
      pos = rel.find('/', pos);
      if (pos != std::string_view::npos) ++pos;
      ++index;
    }
    if (pos != std::string_view::npos) cut = pos;  // the link's component starts here
  }
  if (cut == std::string_view::npos) return OpenNoLinks(dirFd, rel, fd);

  // The components before the link, the link itself followed, the rest.
  int above = -1;
  int err = cut ? OpenNoLinks(dirFd, rel.substr(0, cut - 1), &above)
                : OsOpenDirBeneath(dirFd, std::string_view(), 0, &above);
  if (err) return err;
  size_t end = rel.find('/', cut);
  std::string_view tail = end == std::string_view::npos ? std::string_view() : rel.substr(end + 1);
  int top = -1;
  err = OpenByComponents(above, rel.substr(cut, end == std::string_view::npos ? end : end - cut),
                         1, &top);
  close(above);
  if (err) return err;
  if (tail.empty()) {
    *fd = top;
    return 0;
  }
  err = OpenNoLinks(top, tail, fd);
  close(top);
  return err;
}

void OsCloseFd(int fd) {
  if (fd >= 0) close(fd);
}

int OsListDirFd(int dirFd, StrVarArray* names) {
  int own = openat(dirFd, ".", kDirFlags);
  if (own < 0) return errno;
  DIR* d = fdopendir(own);
  if (!d) {
    int err = errno;
    close(own);
    return err;
  }
  errno = 0;
  while (struct dirent* ent = readdir(d)) {
    const char* n = ent->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    names->Append(StrPtr(n));
  }
  int err = errno;
  closedir(d);
  return err;
}

int OsEntryAt(int dirFd, const char* name, bool* isLink, bool* isDir) {
  struct stat sb;
  if (fstatat(dirFd, name, &sb, AT_SYMLINK_NOFOLLOW) < 0) return errno;
  *isLink = S_ISLNK(sb.st_mode);
  *isDir = S_ISDIR(sb.st_mode);
  return 0;
}

int OsFileEntryAt(int dirFd, const char* name, bool* isLink, bool* isFile) {
  struct stat sb;
  if (fstatat(dirFd, name, &sb, AT_SYMLINK_NOFOLLOW) < 0) return errno;
  *isLink = S_ISLNK(sb.st_mode);
  *isFile = S_ISREG(sb.st_mode);
  return 0;
}

int OsSameEntryAt(int dirFd, const char* a, const char* b, bool* same) {
  struct stat sa;
  struct stat sb;
  if (fstatat(dirFd, a, &sa, AT_SYMLINK_NOFOLLOW) < 0) return errno;
  if (fstatat(dirFd, b, &sb, AT_SYMLINK_NOFOLLOW) < 0) return errno;
  *same = sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return 0;
}

int OsMkDirAt(int dirFd, const char* name) { return Retry(mkdirat(dirFd, name, 0777)); }

int OsRmDirAt(int dirFd, const char* name) { return Retry(unlinkat(dirFd, name, AT_REMOVEDIR)); }

int OsMoveNoReplaceAt(int fromDir, const char* from, int toDir, const char* to) {
  int err;
  do {
    err = Retry(renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE));
  } while (err == EINTR);
  // Kernels and file systems without the flag say so: a hard link gives the
  // same guarantee (it fails when the name is taken).
  if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
    if (linkat(fromDir, from, toDir, to, 0) < 0) return errno;
    if (unlinkat(fromDir, from, 0) < 0) {
      err = errno;
      unlinkat(toDir, to, 0);
      return err;
    }
    return 0;
  }
  return err;
}
