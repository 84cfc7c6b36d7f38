// The file kinds this program never makes itself but that belong to the
// family: a resource file (behaves as a binary file), a directory (removed
// with its contents on destruction when marked temporary), a symbolic link
// (its content is the link's target), a file held with a resource fork
// (only its data fork is read and written here) and the empty file.
#ifndef ZT_SUPPORT_FILES_FILE_IO_KINDS_H_
#define ZT_SUPPORT_FILES_FILE_IO_KINDS_H_

#include "support/files/file_io.h"

class FileIOResource : public FileIOBinary {};

class FileIODir : public FileIOBinary {
 public:
  ~FileIODir() override;
};

class FileIOSymlink : public FileIO {
 public:
  ~FileIOSymlink() override;
  // Mode 0 reads the link's target; other modes collect a new target that
  // Close makes the link point at.
  void Open(int mode, Error* e) override;
  void Write(const char* buf, int len, Error* e) override;
  int Read(char* buf, int len, Error* e) override;
  void Close(Error* e) override;
  int64_t GetSize() override;

 private:
  bool open = false;
  StrBuf content;
  uint32_t readPos = 0;
};

class FileIOApple : public FileIOBinary {};

class FileIOEmpty : public FileSys {
 public:
  void Open(int mode, Error* e) override { (void)e; this->mode = mode; }
  void Write(const char* buf, int len, Error* e) override { (void)buf; (void)len; (void)e; }
  int Read(char* buf, int len, Error* e) override { (void)buf; (void)len; (void)e; return 0; }
  void Close(Error* e) override { (void)e; }
  int Stat() override { return FSF_EMPTY; }
  int64_t GetModTime() override { return -1; }
  int64_t GetAccessTime() override { return -1; }
  void Truncate(int64_t size, Error* e) override { (void)size; (void)e; }
  void TruncateToZero(Error* e) override { (void)e; }
  void Unlink(Error* e = nullptr) override { (void)e; }
  void Rename(FileSys* target, Error* e) override { (void)target; (void)e; }
  void Chmod(int code, Error* e) override { (void)code; (void)e; }
  void StampModTime(Error* e) override { (void)e; }
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_KINDS_H_
