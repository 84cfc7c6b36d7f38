// FileIOCompress: a binary file whose bytes pass through a chain of byte
// sources (reading) or sinks (writing) between the caller and the handle.
// With the gzip bit (0x800) of the type the file on disk is gzip: reads
// decompress (GzipSource) and writes compress (GzipSink, deflating in
// independent blocks on the threads the file was given by SetThreads; the
// bytes do not depend on the thread count). Otherwise the bytes pass
// unchanged, as in FileIOBinary.
//
// A gzip file being read is decompressed ahead of the caller on a thread of
// its own (ReadAheadSource). A plain text file (the kFileText kind itself)
// on a regular file takes a thread too: one of more than a megabyte being
// read is read ahead in large blocks, and one being written is written
// behind the caller (WriteBehindSink) from its second write on. The caller
// sees the same bytes, positions and failures as without the threads: a
// failure of a reading thread is handed over once the bytes before it have
// been read, one of a writing thread at the next write or at Close.
//
// Tell counts the bytes the caller has read or written (for gzip, the
// uncompressed ones).
#ifndef ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_
#define ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_

#include <memory>

#include "support/files/file_io.h"

class ByteSink;
class ByteSource;
class ReadAheadSource;
class WriteBehindSink;

class FileIOCompress : public FileIOBinary {
 public:
  FileIOCompress();
  ~FileIOCompress() override;

  void Open(int mode, Error* e) override;
  void Write(const char* buf, int len, Error* e) override;
  int Read(char* buf, int len, Error* e) override;
  int ReadLent(const char** data, Error* e) override;
  void Close(Error* e) override;
  int64_t GetSize() override;

 protected:
  // Write, for the text kinds beneath their own buffering: false after
  // setting a failure in e.
  bool WriteThrough(const char* buf, int len, Error* e);
  // True while writes go to the writing thread, which gathers them into
  // blocks of its own: a buffer above it only copies them once more.
  bool WritesBehind() const { return writeBehind_ != nullptr; }

 private:
  bool GzipOnDisk() const;
  // Before the first read: starts the read-ahead thread if it may start.
  void StartReadAhead();
  // True when a plain file opened with mode may be read ahead or written
  // behind (a regular file of the plain text kind).
  bool PlainThreadAllowed(int mode);

  std::unique_ptr<ByteSource> source_;  // null when not open for reading
  std::unique_ptr<ByteSink> sink_;      // null when not open for writing
  WriteBehindSink* writeBehind_;        // in sink while writing behind
  ReadAheadSource* readAhead_;          // source while it reads ahead
  bool readAheadAllowed_;               // the next read may start it
  bool writeBehindAllowed_;             // a write after the first may start it
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_
