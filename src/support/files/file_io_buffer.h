// FileIOBuffer: a buffered text file. It owns a buffer of filesys.bufsize
// bytes between the caller and the (possibly compressed) file, and
// translates line ends by its line mode: none (bytes unchanged, the POSIX
// default), CR, CRLF, or CR-or-CRLF.
//
// Reads are delivered from the buffer in bulk; a read asking for at least a
// buffer's worth while the buffer is empty goes straight to the file, so a
// reader working in large blocks pays no extra copy, and ReadLent hands a
// reader the blocks read ahead themselves. ReadLine collects one
// line with memchr over the buffered bytes.
#ifndef ZT_SUPPORT_FILES_FILE_IO_BUFFER_H_
#define ZT_SUPPORT_FILES_FILE_IO_BUFFER_H_

#include <memory>

#include "support/files/file_io_compress.h"

class FileIOBuffer : public FileIOCompress {
 public:
  // lineMode is one of kLineModeNone .. kLineModeCrOrCrLf.
  explicit FileIOBuffer(int lineMode);
  ~FileIOBuffer() override;

  void Open(int mode, Error* e) override;
  void Write(const char* buf, int len, Error* e) override;
  int Read(char* buf, int len, Error* e) override;
  // The buffered bytes first; then, bytes unchanged, the file's own blocks.
  int ReadLent(const char** data, Error* e) override;
  int ReadLine(StrBuf* line, Error* e) override;
  void Close(Error* e) override;
  int64_t Tell() override;

  // Refills the buffer from the file: the count, 0 at the end, -1 on
  // failure.
  virtual int FillBuffer(Error* e);
  // Writes the pending bytes to the file; false on failure.
  virtual bool FlushBuffer(Error* e);

  int GetLineMode() const { return lineMode; }

 protected:
  // True when bytes may move between the caller and the file without
  // passing through the buffer (large reads and writes).
  virtual bool CanBypassBuffer() const { return true; }
  // Appends bytes to the buffer, flushing when it fills; false on failure.
  bool Put(const char* p, int n, Error* e);
  // Returns the next byte, refilling when needed; -1 at the end or on
  // failure (*failed tells which).
  int PeekByte(Error* e, bool* failed);

  char* readPtr;
  int32_t readAvail;
  int32_t writePending;
  int32_t lineMode;
  std::unique_ptr<char[]> buffer;
  int32_t bufferSize;
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_BUFFER_H_
