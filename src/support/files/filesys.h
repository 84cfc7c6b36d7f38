// FileSys: the abstract file object every file of the program goes through.
//
// One factory, FileSys::Create, makes an object of the right kind from a
// numeric file type (1 buffered text, 2 binary, 0x802 gzip, 0x11 append-only
// log, ...). The object is owned by whoever called Create. It carries the
// file's name, the mode of its last Open, the permission code applied by
// Close after a write, and the delete-on-close mark used for temporary files.
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

class FileDigest;
class FileHandle;
class StrDict;
class CharSetCvt;

// File types: the kind in bits 0-4 and 9, modifiers above.
const int FST_TEXT = 0x0001;
const int FST_BINARY = 0x0002;
const int FST_DIRECTORY = 0x0005;
const int FST_SYMLINK = 0x0006;
const int FST_RESOURCE = 0x0007;
const int FST_EMPTY = 0x000B;
const int FST_UNICODE = 0x000C;
const int FST_UTF16 = 0x000E;
const int FST_UTF8 = 0x000F;
const int FST_APPEND = 0x0011;
const int FST_APPLEFILE = 0x0201;
const int FST_APPLEDOUBLE = 0x0202;
const int FST_GZIP = 0x0802;

const int FST_MASK = 0x021F;      // the kind
const int FST_M_EXCL = 0x0020;    // Open for write fails on an existing file
const int FST_M_HOOK = 0x0040;    // Close calls CloseHook
const int FST_M_EXEC = 0x0100;    // permission codes start from 0700
const int FST_C_MASK = 0x0C00;    // compression bits
const int FST_C_GZIP = 0x0800;    // gzip on disk
const int FST_C_ASIS = 0x0400;    // compressing class without compression
const int FST_L_MASK = 0xF000;    // line-end convention
const int FST_L_NONE = 0x1000;
const int FST_L_CR = 0x2000;
const int FST_L_CRORCRLF = 0x4000;

// Open modes.
enum { FOM_READ = 0, FOM_WRITE = 1, FOM_RW = 2, FOM_UWRITE = 3 };

// Stat flags.
enum {
  FSF_EXISTS = 1,
  FSF_WRITEABLE = 2,
  FSF_DIRECTORY = 4,
  FSF_SYMLINK = 8,
  FSF_SPECIAL = 0x10,
  FSF_EXECUTABLE = 0x20,
  FSF_EMPTY = 0x40
};

// Permission codes for perms and Chmod.
enum {
  FPM_RO = 0,      // base without owner write
  FPM_RW = 1,      // base
  FPM_ROO = 2,     // as FPM_RO
  FPM_RXO = 3,     // owner execute only
  FPM_RWO = 4,     // owner write only
  FPM_RWXO = 5     // owner write and execute
};

// Path flags computed by CheckPath (always 0 on POSIX: names go to the
// system as bytes).
enum { FPF_LONGNAME = 1, FPF_UNC = 2, FPF_UTF8NAMES = 4 };

// Digest kinds of FileSys::Digest.
enum {
  FDK_MD5 = 1,         // MD5 of the content, upper-case hex
  FDK_GITBLOB = 2,     // SHA-1 of the blob form, size found by reading
  FDK_GITBLOB_SIZE = 3,// SHA-1 of the blob form, size from GetSize
  FDK_SHA256 = 4       // SHA-256 of the content, lower-case hex
};

// Line-end modes held by the text kinds.
enum { LineModeNone = 0, LineModeCR = 1, LineModeCRLF = 2, LineModeCRorCRLF = 3 };

class FileSys {
 public:
  // A new file object for the type, owned by the caller; null for a kind
  // that does not exist. The handler is an alternative byte-stream handler
  // (unused by this program; pass null).
  static std::unique_ptr<FileSys> Create(int type, void* handler = nullptr);

  FileSys(const FileSys&) = delete;
  FileSys& operator=(const FileSys&) = delete;
  virtual ~FileSys();

  // Text kinds: resizes the buffer while the file is closed.
  virtual void SetBufferSize(int size) { (void)size; }
  virtual void SetHint() { hint = 1; }
  // Attaches an MD5 digest (not owned) fed by every Read and Write.
  virtual void SetDigest(FileDigest* d) { digest = d; }
  virtual FileDigest* GetDigest() { return digest; }

  // Computes pathFlags for a name (0 on POSIX).
  virtual void CheckPath(const StrPtr& name);
  virtual int GetPathFlags() { return pathFlags; }
  virtual void RequestAtomicRename() {}
  // As SetPath; reports a name longer than the platform limit (still set).
  virtual void SetPathChecked(const StrPtr& name, Error* e);
  // Sets the file's name.
  virtual void SetPath(const StrPtr& name);
  virtual const StrBuf& GetPath() const { return path; }
  // Alias of GetPath for callers that prefer the short name.
  const StrBuf& Name() const { return path; }
  virtual bool IsPlain() { return handler == nullptr; }
  // Unicode kinds: installs a converter (ownership passes to the file).
  virtual void SetConverter(CharSetCvt* cvt) { (void)cvt; }

  // Opens in one of the FOM_ modes.
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
  // Closes; after a write in mode 1 applies modTime and perms.
  virtual void Close(Error* e) = 0;
  // The FSF_ flags of the named file; 0 when its status cannot be read.
  virtual int Stat() = 0;
  virtual int Unsupported() { return -1; }
  // Modification / access time in seconds since 1970 UTC; -1 on failure.
  virtual int64_t GetModTime() = 0;
  virtual int64_t GetAccessTime() = 0;
  // Modification time as seconds and nanoseconds; -1 and 0 on failure.
  virtual void GetModTimeNs(int64_t* secs, int64_t* nsecs) { *secs = 0; *nsecs = 0; }
  virtual void Truncate(int64_t size, Error* e) = 0;
  virtual void TruncateToZero(Error* e) = 0;
  // Removes the file, retrying transient failures. e may be null.
  virtual void Unlink(Error* e = nullptr) = 0;
  // Removes the file once, without retries. e may be null.
  virtual void UnlinkOnce(Error* e = nullptr) { Unlink(e); }
  // Renames this file to target's name, with retries.
  virtual void Rename(FileSys* target, Error* e) = 0;
  // Applies a permission code (FPM_). e may be null.
  virtual void Chmod(int code, Error* e) = 0;
  virtual void StampModTime(Error* e) = 0;
  virtual void SetModTimeNs(int64_t secs, int64_t nsecs, Error* e) { (void)secs; (void)nsecs; (void)e; }
  virtual void SetHidden(int flag, Error* e) { (void)flag; (void)e; }
  virtual void SetAttribute(const StrPtr& name, const StrPtr& value, Error* e) { (void)name; (void)value; (void)e; }
  virtual void SetAttributes(StrDict* attrs, Error* e) { (void)attrs; (void)e; }
  virtual void GetAttribute(const StrPtr& name, StrBuf* value, Error* e) { (void)name; (void)value; (void)e; }
  virtual void GetAttributes(StrDict* attrs, Error* e) { (void)attrs; (void)e; }
  virtual void CloseHook(Error* e, int flag) { (void)e; (void)flag; }
  virtual bool IsUsable() { return true; }
  // The handle of an open binary-family file, else null.
  virtual FileHandle* GetHandle() { return nullptr; }
  // The owner id of the file (of a link's target); 0 when unreadable.
  virtual int GetOwner() { return 0; }
  // Size in bytes; -1 on failure.
  virtual int64_t GetSize() { return 0; }
  virtual int64_t GetSizeLocked() { return 0; }
  // Moves to an absolute offset.
  virtual void Seek(int64_t offset, Error* e) { (void)offset; (void)e; }
  // The current offset (text kinds include buffered bytes).
  virtual int64_t Tell() { return 0; }
  virtual void GetSizeInto(int64_t* size) { *size = -1; }
  // Chooses a name not yet taken in the directory of name and sets it.
  virtual void MakeTemp(const StrPtr& name);
  virtual void MarkDeleteOnClose() { SetDeleteOnClose(true); }
  virtual void UnmarkDeleteOnClose() { SetDeleteOnClose(false); }
  // True when the last Open failed because the file exists or access was
  // denied.
  virtual bool OpenWasRefused() { return false; }
  // A new list of the names in the directory named by the path ("." and
  // ".." skipped); empty, with the reason in e, when it cannot be listed.
  virtual std::unique_ptr<StrVarArray> ScanDir(Error* e);
  // Creates every missing directory above the last component of name.
  virtual void MkDir(const StrPtr& name, Error* e);
  // Removes a directory with everything under it.
  virtual void RemoveTree(const StrPtr& name, Error* e);
  // Removes the directory above the last component of name, and every
  // directory above it that becomes empty.
  virtual void RmDir(const StrPtr& name, Error* e);
  // Reads one whole line, however long, without its terminator into line:
  // 1 for a line, 0 at the end or on a failure (set in e; a line longer
  // than the line limit is one), -1 for a last line without terminator.
  virtual int ReadLine(StrBuf* line, Error* e);
  // Reads the whole file; out (may be null) receives its MD5 in upper-case
  // hex. Returns the byte count.
  virtual int64_t DigestMD5(StrBuf* out, Error* e);
  // Closes (errors ignored) and unlinks the file when marked delete-on-close.
  virtual void Cleanup();

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
  // The digest of the content by kind (FDK_).
  virtual void Digest(int kind, StrBuf* out, Error* e);

  void SetPerms(int code) { perms = code; }
  int GetPerms() const { return perms; }
  // The modification time Close stamps on a file written in mode 1.
  void SetModTimeOnClose(int64_t t) { modTime = t; }
  void SetPreallocate(int64_t n) { preallocate = n; }
  // The threads a gzip file being written may deflate on (at least 1).
  void SetThreads(int n) { threads = n < 1 ? 1 : n; }
  int GetType() const { return type; }
  int GetMode() const { return mode; }
  bool IsDeleteOnClose() const { return deleteOnClose; }
  void SetKeepCwd(bool on) { keepCwd = on; }
  void SetStopDir(const StrPtr& dir) { stopDir.Set(dir); }
  int GetContentCharset() const { return contentCharset; }
  int GetNameCharset() const { return nameCharset; }
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

  int32_t mode;
  int32_t perms;
  int64_t modTime;
  int64_t preallocate;
  StrBuf path;
  int32_t type;
  FileDigest* digest;  // not owned
  int32_t hint;
  void* handler;  // not owned; unused by this program
  int32_t pathFlags;
  // Set and cleared only through SetDeleteOnClose, which also tells the
  // interrupt watcher's list the name to remove.
  bool deleteOnClose;
  bool atomicReplace;
  bool keepExisting = false;  // Commit never replaces a file of the name
  StrBuf finalPath;  // the name an atomic file takes at Commit
  bool keepCwd;
  StrBuf stopDir;
  int32_t nameCharset;
  int32_t contentCharset;
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
