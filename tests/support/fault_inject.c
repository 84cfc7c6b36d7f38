/* A fault injector loaded with LD_PRELOAD by the command-line tests: it
 * makes the system calls that write, flush, close or rename chosen files
 * fail the way a full or broken disk does.
 *
 *   ZT_FAULT_PATH=text         files whose name contains text are watched
 *   ZT_FAULT_WRITE_AFTER=N     writes to watched files fail once N bytes
 *                              have gone to them in all
 *   ZT_FAULT_CLOSE=1           close of a watched file fails (after closing)
 *   ZT_FAULT_FSYNC=1           fsync of a watched file fails
 *   ZT_FAULT_FSYNC_DIR=1       fsync of a watched directory fails
 *   ZT_FAULT_RENAME=text       renames (and hard links) whose target
 *                              contains text fail
 *   ZT_FAULT_KILL_AT=N         the process is killed (SIGKILL) at its N-th
 *                              rename, before it is made: a crash mid-run
 *   ZT_FAULT_ERRNO=name        ENOSPC (default), EIO, EXDEV, EFBIG or EACCES
 *   ZT_FAULT_SWAP_AT=N         at the N-th rename, before it is made, the
 *   ZT_FAULT_SWAP_DIR=dir      directory dir is moved aside (to dir.moved)
 *   ZT_FAULT_SWAP_TO=target    and a symbolic link to target takes its
 *                              place: a tree changed under a running move
 *
 * Counted faults, for a sweep that fails the 1st, 2nd, ... call of a kind
 * until a run meets none:
 *
 *   ZT_FAULT_NTH_OP=kind       write, fsync, rename, open or read
 *   ZT_FAULT_NTH=N             the N-th call of that kind fails: writes,
 *                              syncs and reads of watched files, opens of
 *                              files whose name contains ZT_FAULT_PATH
 *                              (none under /proc),
 *                              renames and links whose target does (every
 *                              one when ZT_FAULT_PATH is not set)
 *   ZT_FAULT_PERSIST=1         every later call of the kind fails as well
 *   ZT_FAULT_FIRED=file        created when the counted fault first fires,
 *                              so that the sweep knows the run met it
 *   ZT_FAULT_TELL=1            a failed open is named on standard error
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#define MAX_FD 4096

static char watched[MAX_FD];
static long long written;

static int FaultErrno(void) {
  const char* name = getenv("ZT_FAULT_ERRNO");
  if (!name || strcmp(name, "ENOSPC") == 0) return ENOSPC;
  if (strcmp(name, "EIO") == 0) return EIO;
  if (strcmp(name, "EXDEV") == 0) return EXDEV;
  if (strcmp(name, "EFBIG") == 0) return EFBIG;
  if (strcmp(name, "EACCES") == 0) return EACCES;
  return EIO;
}

static int Matches(const char* value, const char* path) {
  return value && *value && path && strstr(path, value) != NULL;
}

static void Watch(int fd, const char* path) {
  if (fd >= 0 && fd < MAX_FD) watched[fd] = (char)Matches(getenv("ZT_FAULT_PATH"), path);
}

static int IsWatched(int fd) { return fd >= 0 && fd < MAX_FD && watched[fd]; }

typedef int (*open_fn)(const char*, int, ...);

/* Counts a call of the kind; true when it is the one to fail. Calls come
 * from several threads, so the count is atomic. */
static int CountedFault(const char* kind) {
  static int calls;
  const char* op = getenv("ZT_FAULT_NTH_OP");
  const char* nth = getenv("ZT_FAULT_NTH");
  if (!op || !nth || strcmp(op, kind) != 0) return 0;
  int n = __atomic_add_fetch(&calls, 1, __ATOMIC_SEQ_CST);
  int target = atoi(nth);
  if (n < target || (n > target && !getenv("ZT_FAULT_PERSIST"))) return 0;
  const char* fired = getenv("ZT_FAULT_FIRED");
  if (n == target && fired && *fired) {
    open_fn realOpen = (open_fn)dlsym(RTLD_NEXT, "open");
    int fd = realOpen(fired, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) syscall(SYS_close, fd);
  }
  errno = FaultErrno();
  return 1;
}

/* -1, after naming the call that failed on standard error when
 * ZT_FAULT_TELL is set: which call a sweep's fault met. */
static int Told(const char* kind, const char* path) {
  if (getenv("ZT_FAULT_TELL")) {
    int saved = errno;
    dprintf(2, "fault injected: %s %s\n", kind, path);
    errno = saved;
  }
  return -1;
}

/* Whether a call on the path counts: every path when no path is watched. */
static int PathCounts(const char* path) {
  /* The system's status files, read for advice only (how busy the
     processors are), are not the run's files: never failed. */
  if (path && strncmp(path, "/proc/", 6) == 0) return 0;
  const char* want = getenv("ZT_FAULT_PATH");
  return !want || !*want || Matches(want, path);
}

#define NEXT(name, type) static type real_##name; if (!real_##name) real_##name = (type)dlsym(RTLD_NEXT, #name)

typedef int (*openat_fn)(int, const char*, int, ...);

static mode_t ModeArg(int flags, va_list ap) {
  return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int open(const char* path, int flags, ...) {
  NEXT(open, open_fn);
  va_list ap;
  va_start(ap, flags);
  mode_t mode = ModeArg(flags, ap);
  va_end(ap);
  if (PathCounts(path) && CountedFault("open")) return Told("open", path);
  int fd = real_open(path, flags, mode);
  Watch(fd, path);
  return fd;
}

/* The large-file open is the same call on this platform. */
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int dir, const char* path, int flags, ...) {
  NEXT(openat, openat_fn);
  va_list ap;
  va_start(ap, flags);
  mode_t mode = ModeArg(flags, ap);
  va_end(ap);
  if (PathCounts(path) && CountedFault("open")) return Told("open", path);
  int fd = real_openat(dir, path, flags, mode);
  Watch(fd, path);
  return fd;
}

typedef ssize_t (*write_fn)(int, const void*, size_t);
ssize_t write(int fd, const void* buf, size_t n) {
  NEXT(write, write_fn);
  if (IsWatched(fd) && CountedFault("write")) return -1;
  if (IsWatched(fd)) {
    const char* after = getenv("ZT_FAULT_WRITE_AFTER");
    if (after && written + (long long)n > atoll(after)) {
      errno = FaultErrno();
      return -1;
    }
    written += (long long)n;
  }
  return real_write(fd, buf, n);
}

typedef ssize_t (*read_fn)(int, void*, size_t);
ssize_t read(int fd, void* buf, size_t n) {
  NEXT(read, read_fn);
  if (IsWatched(fd) && CountedFault("read")) return -1;
  return real_read(fd, buf, n);
}

typedef int (*fd_fn)(int);
int close(int fd) {
  NEXT(close, fd_fn);
  int wasWatched = IsWatched(fd);
  if (fd >= 0 && fd < MAX_FD) watched[fd] = 0;
  int rc = real_close(fd);
  if (rc == 0 && wasWatched && getenv("ZT_FAULT_CLOSE")) {
    errno = FaultErrno();
    return -1;
  }
  return rc;
}

int fsync(int fd) {
  NEXT(fsync, fd_fn);
  if (IsWatched(fd) && CountedFault("fsync")) return -1;
  if (IsWatched(fd) && getenv("ZT_FAULT_FSYNC")) {
    errno = FaultErrno();
    return -1;
  }
  struct stat sb;
  if (IsWatched(fd) && getenv("ZT_FAULT_FSYNC_DIR") && fstat(fd, &sb) == 0 && S_ISDIR(sb.st_mode)) {
    errno = FaultErrno();
    return -1;
  }
  return real_fsync(fd);
}

static int renames;

typedef int (*rename_fn)(const char*, const char*);

/* Swaps the watched directory for a link, once, at the chosen rename. */
static void SwapDirectory(void) {
  const char* at = getenv("ZT_FAULT_SWAP_AT");
  const char* dir = getenv("ZT_FAULT_SWAP_DIR");
  const char* target = getenv("ZT_FAULT_SWAP_TO");
  if (!at || !dir || !target || renames != atoi(at)) return;
  char aside[4096];
  snprintf(aside, sizeof aside, "%s.moved", dir);
  NEXT(rename, rename_fn);
  if (real_rename(dir, aside) == 0) symlink(target, dir);
}

/* 0 when the rename or link to `to` may go ahead, else -1 with errno set;
 * kills the process at the chosen rename. */
static int RenameFault(const char* to, int isRename) {
  const char* killAt = getenv("ZT_FAULT_KILL_AT");
  if (isRename) {
    int n = __atomic_add_fetch(&renames, 1, __ATOMIC_SEQ_CST);
    SwapDirectory();
    if (killAt && n == atoi(killAt)) kill(getpid(), SIGKILL);
  }
  if (PathCounts(to) && CountedFault("rename")) return -1;
  if (Matches(getenv("ZT_FAULT_RENAME"), to)) {
    errno = FaultErrno();
    return -1;
  }
  return 0;
}

int rename(const char* from, const char* to) {
  NEXT(rename, rename_fn);
  if (RenameFault(to, 1) < 0) return -1;
  return real_rename(from, to);
}

typedef int (*renameat_fn)(int, const char*, int, const char*);
int renameat(int fromDir, const char* from, int toDir, const char* to) {
  NEXT(renameat, renameat_fn);
  if (RenameFault(to, 1) < 0) return -1;
  return real_renameat(fromDir, from, toDir, to);
}

typedef int (*renameat2_fn)(int, const char*, int, const char*, unsigned);
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  NEXT(renameat2, renameat2_fn);
  if (RenameFault(to, 1) < 0) return -1;
  return real_renameat2(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
  NEXT(link, rename_fn);
  if (RenameFault(to, 0) < 0) return -1;
  return real_link(from, to);
}
