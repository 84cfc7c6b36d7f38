// POSIX implementation of the platform file layer.
#include "support/files/posix/os_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <system_error>

#include "support/out_of_memory.h"

FileHandle::~FileHandle() {
  if (osHandle >= 0 && !(handleFlags & kStdStream)) ::close(osHandle);
}

int OsOpen(const char* name, int flags, int perm, std::unique_ptr<FileHandle>* out) {
  int of = O_CLOEXEC;
  switch (flags & OSF_RDWR) {
    case OSF_READ: of |= O_RDONLY; break;
    case OSF_WRITE: of |= O_WRONLY; break;
    case OSF_RDWR: of |= O_RDWR; break;
    default: return EINVAL;
  }
  if (flags & OSF_CREATE) of |= O_CREAT;
  if (flags & OSF_TRUNC) of |= O_TRUNC;
  if (flags & OSF_EXCL) of |= O_EXCL;
  if (flags & OSF_APPEND) of |= O_APPEND;
  int fd;
  do {
    fd = ::open(name, of, perm);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  // Opening a directory for reading succeeds on POSIX; a file object never
  // reads a directory, so refuse it the way a write open would.
  struct stat sb;
  if (fstat(fd, &sb) == 0 && S_ISDIR(sb.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  auto h = std::make_unique<FileHandle>();
  h->osHandle = fd;
  *out = std::move(h);
  return 0;
}

std::unique_ptr<FileHandle> OsWrapStd(int fd) {
  auto h = std::make_unique<FileHandle>();
  h->osHandle = fd;
  h->handleFlags = FileHandle::kStdStream;
  return h;
}

int OsClose(FileHandle* h) {
  if (h->osHandle < 0) return EBADF;
  int rc = 0;
  if (!(h->handleFlags & FileHandle::kStdStream)) {
    if (::close(h->osHandle) < 0 && errno != EINTR) rc = errno;
  }
  h->osHandle = -1;
  return rc;
}

int OsRead(FileHandle* h, char* buf, int len, int* count) {
  for (;;) {
    ssize_t n = ::read(h->osHandle, buf, static_cast<size_t>(len));
    if (n >= 0) {
      *count = static_cast<int>(n);
      return 0;
    }
    if (errno == EINTR) continue;
    *count = -1;
    return errno;
  }
}

int OsWrite(FileHandle* h, const char* buf, int len) {
  return len > 0 ? OsWriteFd(h->osHandle, buf, static_cast<size_t>(len)) : 0;
}

int OsWriteFd(int fd, const char* buf, size_t len) {
  while (len > 0) {
    ssize_t n = ::write(fd, buf, len);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    buf += n;
    len -= static_cast<size_t>(n);
  }
  return 0;
}

bool OsIsTerminal(int fd) { return isatty(fd) == 1; }

int OsSeek(FileHandle* h, int64_t offset) {
  return ::lseek(h->osHandle, offset, SEEK_SET) < 0 ? errno : 0;
}

int OsHandleSize(FileHandle* h, int64_t* size) {
  struct stat sb;
  if (fstat(h->osHandle, &sb) < 0) return errno;
  *size = sb.st_size;
  return 0;
}

int OsLock(FileHandle* h, bool exclusive) {
  struct flock fl = {};
  fl.l_whence = SEEK_SET;
  // One byte at the highest offset, so the content stays readable by
  // readers that take no lock.
  fl.l_start = INT64_MAX - 1;
  fl.l_len = 1;
  fl.l_type = exclusive ? F_WRLCK : F_UNLCK;
  while (fcntl(h->osHandle, exclusive ? F_SETLKW : F_SETLK, &fl) < 0) {
    if (errno == EINTR) continue;
    return errno;
  }
  return 0;
}

static void FillStatus(const struct stat& sb, OsStatus* st) {
  st->exists = true;
  st->isDir = S_ISDIR(sb.st_mode);
  st->isRegular = S_ISREG(sb.st_mode);
  st->size = sb.st_size;
  st->modTime = sb.st_mtim.tv_sec;
  st->modTimeNs = sb.st_mtim.tv_nsec;
}

int OsStat(const char* name, OsStatus* st) {
  *st = OsStatus();
  struct stat sb;
  if (lstat(name, &sb) < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
  if (S_ISLNK(sb.st_mode)) {
    st->isLink = true;
    struct stat tb;
    if (stat(name, &tb) < 0) {
      // A dangling link: it exists, but as nothing we can use.
      FillStatus(sb, st);
      st->isLink = true;
      st->isRegular = false;
      return 0;
    }
    FillStatus(tb, st);
    st->isLink = true;
    return 0;
  }
  FillStatus(sb, st);
  return 0;
}

int OsRename(const char* from, const char* to) { return ::rename(from, to) < 0 ? errno : 0; }
int OsUnlink(const char* name) { return ::unlink(name) < 0 ? errno : 0; }
int OsMkDir(const char* name) { return ::mkdir(name, 0777) < 0 ? errno : 0; }
int OsRmDir(const char* name) { return ::rmdir(name) < 0 ? errno : 0; }
int OsChmod(const char* name, int mode) {
  return ::chmod(name, static_cast<mode_t>(mode)) < 0 ? errno : 0;
}

bool OsIsLink(const char* name) {
  struct stat sb;
  return lstat(name, &sb) == 0 && S_ISLNK(sb.st_mode);
}

bool OsIsMountPoint(const char* name) {
  struct stat sb, pb;
  if (stat(name, &sb) < 0) return false;
  std::string parent(name);
  parent += "/..";
  if (stat(parent.c_str(), &pb) < 0) return false;
  return sb.st_dev != pb.st_dev || sb.st_ino == pb.st_ino;
}

int OsGetCwd(StrBuf* out) {
  char buf[PATH_MAX + 1];
  if (!getcwd(buf, sizeof(buf))) return errno;
  out->Set(buf);
  return 0;
}

// Reads a link's target.
static int ReadLink(const char* name, StrBuf* out) {
  char buf[PATH_MAX + 1];
  ssize_t n = readlink(name, buf, sizeof(buf) - 1);
  if (n < 0) return errno;
  out->Set(buf, static_cast<uint32_t>(n));
  return 0;
}

int OsFollowLinks(const char* name, StrBuf* out) {
  std::string at(name);
  for (int hops = 0; hops < 40; ++hops) {
    struct stat sb;
    if (lstat(at.c_str(), &sb) < 0 || !S_ISLNK(sb.st_mode)) {
      out->Set(at.c_str());
      return 0;
    }
    StrBuf target;
    if (int err = ReadLink(at.c_str(), &target)) return err;
    if (target.Text()[0] == '/') {
      at = target.Text();
    } else {
      size_t slash = at.rfind('/');
      at = (slash == std::string::npos ? std::string() : at.substr(0, slash + 1)) + target.Text();
    }
  }
  return ELOOP;
}

int OsLockDirectory(const char* name, std::unique_ptr<FileHandle>* out) {
  int fd = ::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  auto h = std::make_unique<FileHandle>();
  h->osHandle = fd;
  if (::flock(fd, LOCK_EX | LOCK_NB) < 0) return errno;
  *out = std::move(h);
  return 0;
}

int OsListDir(const char* name, StrVarArray* names) {
  DIR* d = opendir(name);
  if (!d) return errno;
  while (struct dirent* ent = readdir(d)) {
    const char* n = ent->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    names->Append(StrPtr(n));
  }
  closedir(d);
  return 0;
}

int OsUmask() {
  static std::once_flag once;
  static int mask = 022;
  std::call_once(once, [] {
    mode_t old = umask(022);
    umask(old);
    mask = static_cast<int>(old);
  });
  return mask;
}

void OsSleepMs(int ms) {
  if (ms <= 0) return;
  struct timespec ts;
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) < 0 && errno == EINTR) {
  }
}


namespace {

int64_t ClockNs(clockid_t clock) {
  struct timespec ts;
  if (clock_gettime(clock, &ts) != 0) return -1;
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

int64_t OsMonotonicNs() { return ClockNs(CLOCK_MONOTONIC); }

void OsAdviseHugePages(void* p, size_t bytes) {
#ifdef MADV_HUGEPAGE
  madvise(p, bytes, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

int OsUsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int n = CPU_COUNT(&set);
  return n > 0 ? n : 1;
}

uint32_t OsRandom() {
  uint32_t v = 0;
  if (getrandom(&v, sizeof(v), 0) != static_cast<ssize_t>(sizeof(v))) {
    static std::atomic<uint32_t> fallback{0x9e3779b9u};
    v = fallback.fetch_add(0x6d2b79f5u) ^ static_cast<uint32_t>(getpid());
  }
  return v;
}


bool OsSameFile(const char* a, const char* b) {
  if (strcmp(a, b) == 0) return true;
  struct stat sa, sb;
  if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

// The directory part of a name ("." for a bare leaf) and its leaf.
void SplitName(const char* name, std::string* dir, std::string* leaf) {
  const char* slash = strrchr(name, '/');
  if (!slash) {
    *dir = ".";
    *leaf = name;
    return;
  }
  *dir = slash == name ? std::string("/") : std::string(name, slash);
  *leaf = slash + 1;
}

}  // namespace

bool OsSameDestination(const char* a, const char* b) {
  if (OsSameFile(a, b)) return true;
  struct stat sa, sb;
  bool aExists = stat(a, &sa) == 0, bExists = stat(b, &sb) == 0;
  if (aExists || bExists) return false;
  std::string dirA, leafA, dirB, leafB;
  SplitName(a, &dirA, &leafA);
  SplitName(b, &dirB, &leafB);
  return leafA == leafB && OsSameFile(dirA.c_str(), dirB.c_str());
}

int OsSync(FileHandle* h) {
  if (h->osHandle < 0 || (h->handleFlags & FileHandle::kStdStream)) return 0;
  // A pipe or terminal cannot be synced and needs no syncing.
  if (::fsync(h->osHandle) < 0 && errno != EINVAL && errno != EROFS) return errno;
  return 0;
}

int OsRedirectStderr(const char* name) {
  int fd = open(name, O_WRONLY | O_APPEND | O_CREAT, 0666);
  if (fd < 0) return -1;
  int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  dup2(fd, STDERR_FILENO);
  close(fd);
  return saved;
}

std::thread OsStartThread(std::function<void()> body, std::function<void()> outOfMemory) {
  auto run = [body = std::move(body), outOfMemory = std::move(outOfMemory)] {
    try {
      body();
    } catch (const std::bad_alloc&) {
      if (!outOfMemory) EndOutOfMemory();
      try {
        outOfMemory();
      } catch (const std::bad_alloc&) {
        EndOutOfMemory();
      }
    }
  };
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  std::thread t;
  bool started = true;
  try {
    t = std::thread(std::move(run));
  } catch (const std::system_error&) {
    started = false;
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  // No room for the thread's stack (or no thread left to have): the run
  // cannot go on, and ends as when memory runs out.
  if (!started) ThrowOutOfMemory();
  return t;
}
