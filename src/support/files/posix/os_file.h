// The platform layer under the file objects: the handle record of an open
// file and the name-level operations (status, rename, unlink, chmod,
// directories), each a thin wrapper over one POSIX call.
//
// Every function returns 0 on success or the errno value of the failure;
// none of them reports into an Error (the file objects do that, with their
// own operation words). Names are byte strings passed to the system as is.
#ifndef ZT_SUPPORT_FILES_POSIX_OS_FILE_H_
#define ZT_SUPPORT_FILES_POSIX_OS_FILE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "support/text/strbuf.h"
#include "support/text/var_array.h"

// The standard output and standard error descriptors.
const int kOsStdout = 1;
const int kOsStderr = 2;

// Open flags of the handle layer (mapped to the POSIX flags inside).
enum {
  OSF_READ = 1,
  OSF_WRITE = 2,
  OSF_RDWR = 3,
  OSF_CREATE = 4,
  OSF_TRUNC = 8,
  OSF_EXCL = 0x10,
  OSF_APPEND = 0x20
};

// The handle record of one open file. Owns the descriptor unless it is a
// standard stream.
class FileHandle {
 public:
  FileHandle() : osHandle(-1), handleFlags(0) {}
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  static const int kStdStream = 1;

  int osHandle;
  int handleFlags;
};

// The status of a name, as the file layer needs it.
struct OsStatus {
  bool exists = false;
  bool isLink = false;     // the name itself is a symbolic link
  bool isDir = false;
  bool isRegular = false;
  int64_t size = 0;
  int64_t modTime = 0;
  int64_t modTimeNs = 0;
};

// Opens name with OSF_ flags; on success *out holds the new handle.
int OsOpen(const char* name, int flags, int perm, std::unique_ptr<FileHandle>* out);
// Wraps a standard descriptor (0 or 1) without opening it.
std::unique_ptr<FileHandle> OsWrapStd(int fd);
// Closes the descriptor (a standard stream is left open).
int OsClose(FileHandle* h);
// Reads up to len bytes into *count (0 at the end); retries EINTR.
int OsRead(FileHandle* h, char* buf, int len, int* count);
// Writes all len bytes (short writes are continued).
int OsWrite(FileHandle* h, const char* buf, int len);
// As OsWrite, to a descriptor the program did not open (kOsStdout,
// kOsStderr).
int OsWriteFd(int fd, const char* buf, size_t len);
// True when the descriptor is a terminal.
bool OsIsTerminal(int fd);
int OsSeek(FileHandle* h, int64_t offset);
int OsHandleSize(FileHandle* h, int64_t* size);
// Takes (waiting for it) or releases an exclusive lock on one byte at a
// high offset of an open file.
int OsLock(FileHandle* h, bool exclusive);

// Status of a name: follows a link to its target and notes that it was one.
// Returns 0 with exists=false for a missing name.
int OsStat(const char* name, OsStatus* st);
int OsRename(const char* from, const char* to);
int OsUnlink(const char* name);
int OsMkDir(const char* name);
int OsRmDir(const char* name);
int OsChmod(const char* name, int mode);
// True when the name itself is a symbolic link.
bool OsIsLink(const char* name);
// True when name is a mount point (its device differs from its parent's).
bool OsIsMountPoint(const char* name);
int OsGetCwd(StrBuf* out);
// Reopens standard error in append mode onto the named file (created when
// missing); standard error is left alone when the file cannot be opened.
// Returns a new descriptor of the standard error as it was before, or -1.
int OsRedirectStderr(const char* name);
// True when a and b are the same text, or both exist and are the same file
// (device and inode).
bool OsSameFile(const char* a, const char* b);
// True when writing to a and to b would reach the same file: OsSameFile, or
// neither exists and both name the same leaf in the same directory (by
// device and inode of the directory).
bool OsSameDestination(const char* a, const char* b);
// Flushes an open file's data to the disk.
int OsSync(FileHandle* h);

// The name a chain of symbolic links at name ends in (name itself when it
// is no link), each relative target taken against its link's directory;
// the end need not exist. ELOOP after 40 links.
int OsFollowLinks(const char* name, StrBuf* out);
// Opens the directory and takes an exclusive lock on it without waiting
// (EWOULDBLOCK when another process holds it); the lock lasts as long as
// *out.
int OsLockDirectory(const char* name, std::unique_ptr<FileHandle>* out);
// Appends the names in a directory ("." and ".." skipped) to names.
int OsListDir(const char* name, StrVarArray* names);
// The process's file-creation mask, read once.
int OsUmask();
// Sleeps for ms milliseconds.
void OsSleepMs(int ms);
// Starts a thread running body with every signal blocked, so that an
// interrupt is always handled by the threads the program began with. When
// body runs out of memory (std::bad_alloc), the thread ends by calling
// outOfMemory, which hands the failure to the thread waiting on this one
// (and must not allocate); without it, or when it fails too, the process
// ends through EndOutOfMemory.
std::thread OsStartThread(std::function<void()> body, std::function<void()> outOfMemory = {});
int OsThreadId();
// Nanoseconds of a clock that never goes back.
int64_t OsMonotonicNs();
// Asks the system to back [p, p + bytes), aligned to a huge page, with huge
// pages; a hint only, which a system without them ignores.
void OsAdviseHugePages(void* p, size_t bytes);
// The number of processors the process may run on (at least 1).
int OsUsableProcessors();
// A random number from the system source.
uint32_t OsRandom();

#endif  // ZT_SUPPORT_FILES_POSIX_OS_FILE_H_
