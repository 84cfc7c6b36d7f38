// FileIO: a file of the local file system, and FileIOBinary, its plain
// unbuffered byte input and output.
//
// FileIO owns the handle record of the open file (null while closed) and
// implements the name-level operations: status, size, unlink with retries,
// permission codes, the commit of an atomic file. FileIOBinary adds Open,
// Read, Write and Close on the handle; every other kind derives from it.
// The destructor closes an open file, ignoring errors, and removes a file
// marked delete-on-close.
#ifndef ZT_SUPPORT_FILES_FILE_IO_H_
#define ZT_SUPPORT_FILES_FILE_IO_H_

#include <memory>

#include "support/files/filesys.h"

class FileHandle;

class FileIO : public FileSys {
 public:
  ~FileIO() override;

  int Stat() override;
  void Unlink(Error* e = nullptr) override;
  int64_t GetSize() override;
  void Commit(Error* e) override;

  // Records a failed platform call (errno err) in e.
  static void SetOsError(Error* e, const char* op, const StrPtr& arg, int err);

 protected:
  FileIO();
  // Gives the file the permissions of its code (after the creation mask).
  void ApplyPerms(Error* e);

  std::unique_ptr<FileHandle> handle;
  bool isStdStream;
  int64_t position;
};

class FileIOBinary : public FileIO {
 public:
  FileIOBinary() {}
  ~FileIOBinary() override;

  void Open(int mode, Error* e) override;
  void Write(const char* buf, int len, Error* e) override;
  int Read(char* buf, int len, Error* e) override;
  void Close(Error* e) override;
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
