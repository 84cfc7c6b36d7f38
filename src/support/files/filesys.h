// FileSys: the abstract file object every file of the program goes through.
//
// One factory, FileSys::Create, makes an object of the right kind from a
// numeric file type (1 buffered text, 2 binary, 0x802 gzip, 0x11 append-only
// log). The object is owned by whoever called Create. It carries the file's
// name, the mode of its last Open, the permission code applied by Close after
// a write, and the delete-on-close mark used for temporary files.
// Failures are recorded in the caller's Error; nothing is thrown.
//
// Every live file object is entered in a process-wide list (guarded by a
// mutex) so that the interrupt handler can clean up files marked
// delete-on-close before the process exits.
#ifndef ZT_SUPPORT_FILES_FILESYS_H_
#define ZT_SUPPORT_FILES_FILESYS_H_

#include <cstdint>
#include <memory>

#include "support/messages/error.h"
#include "support/mutex.h"
#include "support/text/strbuf.h"
#include "support/text/var_array.h"

// File types: the kind in bits 0-4 and 9, modifiers above.
const int kFileText = 0x0001;
const int kFileBinary = 0x0002;
const int kFileAppend = 0x0011;
const int kFileGzip = 0x0802;

const int kFileKindMask = 0x021F;      // the kind
const int kFileExclusive = 0x0020;     // Open for write fails on an existing file
const int kFileCompressMask = 0x0C00;  // compression bits
const int kFileGzipBit = 0x0800;       // gzip on disk
const int kFileLineMask = 0xF000;      // line-end convention
const int kFileLineNone = 0x1000;
const int kFileLineCr = 0x2000;
const int kFileLineCrOrCrLf = 0x4000;

// Open modes.
enum { kOpenRead = 0, kOpenWrite = 1 };

// Stat flags.
enum { kStatExists = 1, kStatDirectory = 4, kStatSymlink = 8, kStatSpecial = 0x10 };

// Permission codes for SetPerms: what Close gives a file it wrote.
enum {
  kPermReadOnly = 0,  // owner read
  kPermReadWrite = 1  // owner read and write
};

// Line-end modes held by the text kinds.
enum { kLineModeNone = 0, kLineModeCr = 1, kLineModeCrLf = 2, kLineModeCrOrCrLf = 3 };

class FileSys {
 public:
  // A new file object for the type, owned by the caller; null for a kind
  // that does not exist.
  static std::unique_ptr<FileSys> Create(int type);

  FileSys(const FileSys&) = delete;
  FileSys& operator=(const FileSys&) = delete;
  virtual ~FileSys();

  // Sets the file's name.
  void SetPath(const StrPtr& name);
  const StrBuf& GetPath() const { return path; }
  // Alias of GetPath for callers that prefer the short name.
  const StrBuf& Name() const { return path; }

  // Opens for reading (kOpenRead) or writing (kOpenWrite).
  virtual void Open(int mode, Error* e) = 0;
  // Writes len bytes.
  virtual void Write(const char* buf, int len, Error* e) = 0;
  // Reads up to len bytes: the count, 0 at the end, -1 on failure.
  virtual int Read(char* buf, int len, Error* e) = 0;
  // As Read, without a copy, for a file that holds its next bytes in a
  // block of its own (read ahead): points *data at them, which stay the
  // file's until its next read, seek or close, and returns their count, 0
  // at the end, -1 on failure; kCannotLend when the file holds none (Read
  // serves then, and for the rest of the file).
  static constexpr int kCannotLend = -2;
  virtual int ReadLent(const char** data, Error* e) {
    (void)data;
    (void)e;
    return kCannotLend;
  }
  // Closes; after a write applies the permission code.
  virtual void Close(Error* e) = 0;
  // The kStat flags of the named file; 0 when its status cannot be read.
  virtual int Stat() = 0;
  // Removes the file, retrying transient failures. e may be null.
  virtual void Unlink(Error* e = nullptr) = 0;
  // Size in bytes; -1 on failure.
  virtual int64_t GetSize() { return 0; }
  // The current offset (text kinds include buffered bytes).
  virtual int64_t Tell() { return 0; }
  // A new list of the names in the directory named by the path ("." and
  // ".." skipped); empty, with the reason in e, when it cannot be listed.
  std::unique_ptr<StrVarArray> ScanDir(Error* e);
  // Creates every missing directory above the last component of name.
  void MkDir(const StrPtr& name, Error* e);
  // Removes the directory above the last component of name, and every
  // directory above it that becomes empty.
  void RmDir(const StrPtr& name, Error* e);
  // Reads one whole line, however long, without its terminator into line:
  // 1 for a line, 0 at the end or on a failure (set in e; a line longer
  // than the line limit is one), -1 for a last line without terminator.
  virtual int ReadLine(StrBuf* line, Error* e);

  // Makes the next Open for write atomic: the data goes to a new temporary
  // file beside the name (".NAME.ztmigrate-XXXXXX", created exclusively),
  // which Close flushes to the disk and Commit renames over the name. Until
  // Commit the temporary file is marked delete-on-close, so a failed run or
  // an interrupt removes it and a file of the name stays as it was. The
  // standard output and an existing device, pipe or directory are written
  // in place.
  void SetAtomicReplace() { atomicReplace = true; }
  // Makes Commit fail, leaving the other file alone, when a file has taken
  // the name since the run began (an output written without --force).
  void SetKeepExisting() { keepExisting = true; }
  // Gives a completely written atomic file its name (closing it first); a
  // no-op for a file written in place or already committed.
  virtual void Commit(Error* e) { (void)e; }
  // The name the file has once committed (its path when not atomic).
  const StrBuf& FinalPath() const { return finalPath.IsEmpty() ? path : finalPath; }
  // True while an atomic file waits for Commit.
  bool AwaitsCommit() const { return !finalPath.IsEmpty(); }

  void SetPerms(int code) { perms = code; }
  // The threads a gzip file being written may deflate on (at least 1).
  void SetThreads(int n) { threads = n < 1 ? 1 : n; }
  int GetType() const { return type; }
  // RmDir never removes this directory or any above it.
  void SetStopDir(const StrPtr& dir) { stopDir.Set(dir); }
  // The longest line ReadLine gives (kMaxLineBytes unless set lower).
  void SetLineLimit(uint32_t bytes) { lineLimit = bytes; }

  // A line longer than this is refused rather than held.
  static const uint32_t kMaxLineBytes = 1u << 30;

  // Unlinks the file of every live object marked delete-on-close without
  // closing it: the last resort of an interrupt that the main thread did not
  // answer in time (the process exits right after).
  static void UnlinkAllMarked();

 protected:
  FileSys();
  // Marks (or unmarks) the file at its current path for removal when the
  // object goes, or by the interrupt watcher.
  void SetDeleteOnClose(bool on);
  // Closes (errors ignored) and unlinks the file when marked delete-on-close.
  void Cleanup();

  int32_t mode;
  int32_t perms;
  StrBuf path;
  int32_t type;
  // Set and cleared only through SetDeleteOnClose, which also tells the
  // interrupt watcher's list the name to remove.
  bool deleteOnClose;
  bool atomicReplace;
  bool keepExisting = false;  // Commit never replaces a file of the name
  StrBuf finalPath;  // the name an atomic file takes at Commit
  StrBuf stopDir;
  uint32_t lineLimit = kMaxLineBytes;
  int32_t threads;

 private:
  friend class FileSysRegistry;
  // The list of live file objects, which the interrupt watcher walks.
  static Mutex liveLock;
  static FileSys* liveHead GUARDED_BY(liveLock);
  FileSys* prevLive GUARDED_BY(liveLock);
  FileSys* nextLive GUARDED_BY(liveLock);
  // The name the interrupt watcher removes (empty when the file is not
  // marked). A copy, so that the owner may change its path (a commit) while
  // the watcher looks.
  StrBuf markedPath GUARDED_BY(liveLock);
};

// Takes SIGINT, SIGTERM and SIGHUP away from every thread of the process and
// hands them to a watcher thread, which records the signal for the main
// thread to see through InterruptSignal; the run then stops at its next
// check and removes its unfinished outputs itself. When the main thread has
// not finished within a few seconds, or a second signal comes, the watcher
// removes the files marked delete-on-close and ends the process with status
// 128 + the signal. SIGXFSZ is ignored, so that a file-size limit is a write
// error ("File too large") instead of a silent death. Call before any other
// thread starts.
void InstallInterruptHandler();
// The signal that asked the run to stop, or 0.
int InterruptSignal();

#endif  // ZT_SUPPORT_FILES_FILESYS_H_
