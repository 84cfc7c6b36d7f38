// FileIO: a file of the local file system, and FileIOBinary, its plain
// unbuffered byte input and output.
//
// FileIO owns the handle record of the open file (null while closed) and
// implements the name-level operations: status, times, truncation, unlink
// and rename with retries, permission codes. FileIOBinary adds Open, Read,
// Write, Close and Seek on the handle; every other kind derives from it.
// The destructor closes an open file, ignoring errors, and removes a file
// marked delete-on-close.
#ifndef ZT_SUPPORT_FILES_FILE_IO_H_
#define ZT_SUPPORT_FILES_FILE_IO_H_

#include <memory>

#include "support/files/filesys.h"

class FileIO : public FileSys {
 public:
  ~FileIO() override;

  int Stat() override;
  int64_t GetModTime() override;
  int64_t GetAccessTime() override;
  void GetModTimeNs(int64_t* secs, int64_t* nsecs) override;
  void Truncate(int64_t size, Error* e) override;
  void TruncateToZero(Error* e) override;
  void Unlink(Error* e = nullptr) override;
  void UnlinkOnce(Error* e = nullptr) override;
  void Rename(FileSys* target, Error* e) override;
  void Chmod(int code, Error* e) override;
  void StampModTime(Error* e) override;
  void SetModTimeNs(int64_t secs, int64_t nsecs, Error* e) override;
  FileHandle* GetHandle() override { return handle.get(); }
  int GetOwner() override;
  int64_t GetSize() override;
  void GetSizeInto(int64_t* size) override { *size = GetSize(); }
  bool OpenWasRefused() override;
  void Commit(Error* e) override;

  // Sets the modification time in seconds since 1970 UTC.
  virtual void SetModTime(int64_t secs, Error* e);
  // Rename helper: the target lies inside this file's name; moves this file
  // to a temporary name and creates the target's directories.
  virtual bool RenameAside(StrBuf* temp, FileSys* target, Error* e);
  // Rename helper: this file lies inside the target directory; moves this
  // file to a temporary name beside the target and removes the emptied
  // directories. Both return false after setting the failure in e.
  virtual bool RenameIntoDir(StrBuf* temp, FileSys* target, Error* e);
  // One platform rename; returns the errno of a failure, 0 on success.
  virtual int RenamePrimitive(const StrPtr& from, const StrPtr& to, FileSys* target);

  // The permission bits a code stands for (after the creation mask).
  int PermBits(int code) const;
  // Records a failed platform call (errno err) in e.
  static void SetOsError(Error* e, const char* op, const StrPtr& arg, int err);

 protected:
  FileIO();
  void Unlink(Error* e, bool retry);

  std::unique_ptr<FileHandle> handle;
  bool isStdStream;
  int64_t position;
  int32_t lastOpenError;
};

class FileIOBinary : public FileIO {
 public:
  FileIOBinary() {}
  ~FileIOBinary() override;

  void Open(int mode, Error* e) override;
  void Write(const char* buf, int len, Error* e) override;
  int Read(char* buf, int len, Error* e) override;
  void Close(Error* e) override;
  void Seek(int64_t offset, Error* e) override;
  int64_t Tell() override { return position; }

 protected:
  // The handle-layer open flags (OSF_) of a mode for this kind.
  virtual int OpenFlags(int mode) const;
  // Writes len bytes to the handle; false after setting the failure in e.
  bool WriteBytes(const char* buf, int len, Error* e);
  // Opens the handle with the flags; reports failures with the mode's name.
  void OpenHandle(int mode, int flags, Error* e);
  // Opens a new temporary file beside the name for an atomic write; false
  // when the file is to be written in place instead (a device, a pipe).
  bool OpenTemporary(int mode, Error* e);
};

// The operation word of a failing Open in a mode ("open for read", ...).
const char* OpenModeName(int mode);

#endif  // ZT_SUPPORT_FILES_FILE_IO_H_
