// FileIOAppend: a shared append-only file (the log file). Every write goes
// to the end of the file under an exclusive lock, so the lines of several
// processes never interleave; Close never changes the file's permissions.
#ifndef ZT_SUPPORT_FILES_FILE_IO_APPEND_H_
#define ZT_SUPPORT_FILES_FILE_IO_APPEND_H_

#include "support/files/file_io_buffer.h"

class FileIOAppend : public FileIOBuffer {
 public:
  explicit FileIOAppend(int lineMode) : FileIOBuffer(lineMode) {}
  ~FileIOAppend() override;

  void Write(const char* buf, int len, Error* e) override;
  void Close(Error* e) override;

 protected:
  int OpenFlags(int mode) const override;
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_APPEND_H_
