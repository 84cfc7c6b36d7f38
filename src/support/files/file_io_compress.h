// FileIOCompress: a binary file with gzip compression between the caller
// and the disk. With the type's compression bits 0x800 the file on disk is
// gzip (reads decompress, writes compress); with 0xC00 the disk holds plain
// bytes and the caller sees gzip; otherwise it behaves as FileIOBinary.
// Owns the stream state and the disk-side buffer while open.
//
// A gzip file being written is deflated in independent blocks by the
// threads the file was given (SetThreads), written to the disk in order;
// the bytes do not depend on the thread count. A failure of those threads
// is handed to the caller at its next write or at Close. Likewise a gzip file being read is decompressed ahead
// of the caller on a thread of its own, its failure handed over once the
// bytes before it have been read.
//
// A plain text file (no compression) on a regular file takes the same
// threads without the compression: a file being read is read ahead of the
// caller in large blocks, and a file being written is written behind it,
// so the disk copies overlap the caller's work. The caller sees the same
// bytes, positions and failures as without them; a failure of the writing
// thread comes back at the next write or at Close.
#ifndef ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_
#define ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_

#include <atomic>
#include <memory>
#include <thread>

#include "support/files/file_io.h"

class BlockDeflater;
class BlockPipe;
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

  void Truncate(int64_t size, Error* e) override;
  int64_t GetSize() override;

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
  // Deflates len bytes (finishing: ends the stream) into the disk buffer,
  // writing it out as it fills; false after setting a failure in e.
  bool Deflate(const char* buf, int len, bool finishing, Error* e);
  // Waits until the compressing thread has written every queued block.
  void SyncCompressor();
  // Hands the last block to the compressing thread and waits for its end;
  // its failure, if any, goes into e.
  void StopCompressor(Error* e);
  // Moves the compressing thread's failure, once, into e.
  void TakeCompressorError(Error* e);
  // Starts the decompressing thread of a stream opened for reading.
  void StartInflater();
  // Starts the reader thread over a fresh block pipe: the decompressor, or
  // (plain) the read-ahead thread.
  void StartReaderThread(bool plain);
  // The decompressing thread: fills blocks until the stream ends or fails.
  void InflateLoop();
  // CompressRead from the decompressing thread's blocks.
  int ReadInflated(char* buf, int len, Error* e);
  // Inflates into buf (len bytes) from the disk; sets *failed on a failure
  // (in e). Returns the bytes produced.
  int Inflate(char* buf, int len, bool* failed, Error* e);

  // True when a plain file opened with mode may use the read-ahead or
  // write-behind thread (a regular file of the plain text kind).
  bool PlainThreadAllowed(int mode);
  // Starts the thread reading a plain file ahead of the caller.
  void StartReadAhead();
  // The read-ahead thread: fills blocks until the end or a failure.
  void ReadAheadLoop();
  // Starts the thread writing a plain file behind the caller.
  void StartWriteBehind();
  // The write-behind thread: writes the queued blocks until the last.
  void WriteBehindLoop();
  // Stages bytes for the writing thread in whole blocks.
  void Stage(const char* buf, int len);
  // Waits for a plain file's writing thread to empty its queue, or stops
  // its read-ahead thread, so the handle may be used directly; the writing
  // thread's failure, if any, goes into e.
  void QuiescePlain(Error* e);

  int32_t compressMode;
  std::unique_ptr<GzipStream> stream;
  std::unique_ptr<char[]> ioBuffer;
  int32_t ioSize;
  int64_t uncompressedPos;
  int64_t uncompressedSize;
  bool writing;     // something was written since Open
  bool diskAtEnd;   // the disk data is used up (compressed reads)

  // The deflater of a gzip stream being written, with its threads.
  std::unique_ptr<BlockDeflater> deflater;
  // The compressing thread and its blocks; the thread alone uses stream,
  // ioBuffer and the disk while it runs.
  std::unique_ptr<BlockPipe> pipe;
  std::thread compressor;
  char* staging;       // the block being filled by writes, from pipe
  int stagingFill;
  bool pipeReads;      // the pipe carries decompressed bytes to the caller
  char* readBlock;     // the block being read by the caller, from pipe
  int readPos;
  int readLen;
  bool readLast;       // readBlock is the last block
  std::atomic<bool> compressorFailed;
  Error compressorError;  // the thread's failure, until handed over
  bool plainThread;    // the thread copies plain bytes (no compression)
  bool readAheadOk;    // this open plain file may be read ahead
  bool writeBehindOk;  // this open plain file may be written behind
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_COMPRESS_H_
