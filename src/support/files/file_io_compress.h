// FileIOCompress: a binary file with gzip compression between the caller
// and the disk. With the type's compression bits 0x800 the file on disk is
// gzip (reads decompress, writes compress); with 0xC00 the disk holds plain
// bytes and the caller sees gzip; otherwise it behaves as FileIOBinary.
// Owns the stream state and the disk-side buffer while open.
#ifndef ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_
#define ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_

#include <memory>

#include "support/files/file_io.h"

class GzipStream;

class FileIOCompress : public FileIOBinary {
 public:
  FileIOCompress();
  ~FileIOCompress() override;

  void Open(int mode, Error* e) override;
  void Write(const char* buf, int len, Error* e) override;
  int Read(char* buf, int len, Error* e) override;
  void Close(Error* e) override;
  void Seek(int64_t offset, Error* e) override;
  int64_t Tell() override;

  // The size of the content as the caller sees it (decompressed or
  // compressed); -1 when it cannot be read.
  virtual int64_t GetUncompressedSize();
  // Writes bytes to the disk past the compression.
  virtual void WriteRaw(const char* buf, int len, Error* e);

 protected:
  enum { kNone = 0, kGzipOnDisk = 1, kGzipToCaller = 2 };

  // Reads / writes through the compression layer (the text kinds call
  // these beneath their own buffering).
  int CompressRead(char* buf, int len, Error* e);
  // False after setting a failure in e.
  bool CompressWrite(const char* buf, int len, Error* e);
  // Ends a stream being written and writes what is left.
  void FinishWrite(Error* e);

  int32_t compressMode;
  std::unique_ptr<GzipStream> stream;
  std::unique_ptr<char[]> ioBuffer;
  int32_t ioSize;
  int64_t uncompressedPos;
  int64_t uncompressedSize;
  bool writing;     // something was written since Open
  bool diskAtEnd;   // the disk data is used up (compressing reads)
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_
