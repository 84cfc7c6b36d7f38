#include "support/files/file_io_compress.h"

#include <errno.h>
#include <string.h>

#include <vector>

#include "support/files/block_deflater.h"
#include "support/files/block_pipe.h"
#include "support/files/digest.h"
#include "support/files/files_messages.h"
#include "support/files/gzip_stream.h"
#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"

FileIOCompress::FileIOCompress()
    : compressMode(kNone),
      ioSize(0),
      uncompressedPos(0),
      uncompressedSize(-1),
      writing(false),
      diskAtEnd(false),
      staging(nullptr),
      stagingFill(0),
      pipeReads(false),
      readBlock(nullptr),
      readPos(0),
      readLen(0),
      readLast(false),
      compressorFailed(false),
      plainThread(false),
      readAheadOk(false),
      writeBehindOk(false) {}

namespace {

// Blocks handed to the compressing thread: large enough that the hand-over
// costs nothing next to deflating them, few enough to bound the memory.
const int kCompressBlockSize = 1 << 20;
const int kCompressBlocks = 3;

// Blocks of the plain read-ahead and write-behind threads: small enough to
// stay in the caches between the two threads, large enough that the
// hand-over costs nothing next to the copy.
const int kPlainBlockSize = 256 << 10;
const int kPlainBlocks = 4;

// A plain file is read ahead only when it holds more than a megabyte:
// smaller ones take a few reads anyway.
const int64_t kReadAheadMin = 1 << 20;

}  // namespace

FileIOCompress::~FileIOCompress() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
  Error ignored;
  StopCompressor(&ignored);  // a thread is never left running
  deflater.reset();
}

void FileIOCompress::Open(int m, Error* e) {
  if (pipe) {
    Error ignored;
    StopCompressor(&ignored);
  }
  deflater.reset();
  int c = type & FST_C_MASK;
  compressMode = c == FST_C_GZIP ? kGzipOnDisk : c == FST_C_GUNZIP ? kGzipToCaller : kNone;
  if (compressMode != kNone) {
    stream = std::make_unique<GzipStream>();
    stream->SetName(path);
    ioSize = GetLevel(ZT_FILESYS_BUFSIZE);
    ioBuffer.reset(new char[ioSize]);
  }
  uncompressedPos = 0;
  uncompressedSize = -1;
  writing = false;
  diskAtEnd = false;
  readAheadOk = false;
  writeBehindOk = false;
  FileIOBinary::Open(m, e);
  if (!handle) {
    stream.reset();
    ioBuffer.reset();
    return;
  }
  if (compressMode == kNone) {
    if (PlainThreadAllowed(m)) {
      // Started by the first read, or by the second write: a file written
      // in one piece (a buffer's worth at Close) needs no thread.
      if (m == FOM_READ) readAheadOk = true;
      else if (m == FOM_WRITE || m == FOM_UWRITE) writeBehindOk = true;
    }
    return;
  }
  // A stream opened for writing is always completed by Close, so even an
  // empty one leaves a whole gzip file.
  if (compressMode == kGzipOnDisk && (m == FOM_WRITE || m == FOM_UWRITE)) {
    writing = true;
    deflater = std::make_unique<BlockDeflater>(
        threads, GetLevel(ZT_ZLIB_COMPRESSION_LEVEL),
        [this](const char* p, int n, Error* e) { return WriteBytes(p, n, e); });
  }
}

void FileIOCompress::SyncCompressor() {
  if (!pipe || pipeReads) return;
  // Hand the block being filled over, then take every block back: the
  // thread has then deflated all of them.
  pipe->Submit(staging, stagingFill, false);
  std::vector<char*> held;
  for (int i = 0; i < pipe->Blocks(); ++i) held.push_back(pipe->Acquire());
  for (int i = 1; i < pipe->Blocks(); ++i) pipe->Release(held[i]);
  staging = held[0];
  stagingFill = 0;
}

void FileIOCompress::StopCompressor(Error* e) {
  if (!pipe) return;
  if (pipeReads) {
    // The reader may stop early: closing the pipe ends the thread at its
    // next block. A failure not yet read is of no interest.
    pipe->Close();
    compressor.join();
    pipe.reset();
    pipeReads = false;
    readBlock = nullptr;
    compressorError.Clear();
    return;
  }
  pipe->Submit(staging, stagingFill, true);
  staging = nullptr;
  stagingFill = 0;
  compressor.join();
  pipe.reset();
  TakeCompressorError(e);
}

void FileIOCompress::TakeCompressorError(Error* e) {
  // The failure is handed over once; later writes fail without a message,
  // as those of a failed stream do.
  if (!compressorFailed.load(std::memory_order_acquire)) return;
  if (compressorError.GetSeverity() == E_EMPTY) return;
  e->Merge(compressorError);
  compressorError.Clear();
}

int FileIOCompress::Read(char* buf, int len, Error* e) {
  if (compressMode != kNone) return CompressRead(buf, len, e);
  if (readAheadOk && !pipe && handle && mode == FOM_READ) StartReadAhead();
  if (!pipe || !pipeReads) return FileIOBinary::Read(buf, len, e);
  int n = len > 0 ? ReadInflated(buf, len, e) : 0;
  if (n > 0) {
    position += n;
    if (digest) digest->Update(buf, n);
  }
  return n;
}

void FileIOCompress::Write(const char* buf, int len, Error* e) {
  if (compressMode == kNone && !pipe) {
    FileIOBinary::Write(buf, len, e);
    return;
  }
  CompressWrite(buf, len, e);
}

bool FileIOCompress::PlainThreadAllowed(int m) {
  // Only the plain text kind itself: the kinds built on it write to the
  // handle on their own. Pipes, terminals and devices may block for good,
  // and a thread stuck in them could not be stopped, so only regular files.
  if ((type & FST_MASK) != FST_TEXT || isStdStream || !handle) return false;
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.isRegular) return false;
  return m != FOM_READ || st.size > kReadAheadMin;
}

void FileIOCompress::StartReadAhead() { StartReaderThread(true); }

void FileIOCompress::ReadAheadLoop() {
  for (;;) {
    char* block = pipe->Acquire();
    if (!block) return;  // the reader closed the file or moved
    int got = 0;
    bool failed = false;
    bool atEnd = false;
    const int size = pipe->BlockSize();
    while (got < size) {
      int n = 0;
      int err = OsRead(handle.get(), block + got, size - got, &n);
      if (err) {
        // A pipe whose writer has gone is the end of the data.
        if (err == EPIPE) {
          atEnd = true;
        } else {
          SetOsError(&compressorError, "read", path, err);
          failed = true;
        }
        break;
      }
      if (n == 0) {
        atEnd = true;
        break;
      }
      got += n;
    }
    if (failed) compressorFailed.store(true, std::memory_order_release);
    bool last = failed || atEnd;
    pipe->Submit(block, got, last);
    if (last) return;
  }
}

void FileIOCompress::StartWriteBehind() {
  pipeReads = false;
  plainThread = true;
  pipe = std::make_unique<BlockPipe>(kPlainBlocks, kPlainBlockSize);
  staging = pipe->Acquire();
  stagingFill = 0;
  compressorFailed = false;
  compressorError.Clear();
  compressor = OsStartThread([this] { WriteBehindLoop(); });
}

void FileIOCompress::WriteBehindLoop() {
  char* block;
  int n;
  bool last;
  while (pipe->Take(&block, &n, &last)) {
    // After a failure the blocks are only returned, so the writer never
    // waits for one; the failure is reported from the writer's side.
    if (!compressorFailed.load(std::memory_order_acquire)) {
      int err = OsWrite(handle.get(), block, n);
      if (err) {
        SetOsError(&compressorError, "write", path, err);
        compressorFailed.store(true, std::memory_order_release);
      }
    }
    pipe->Release(block);
    if (last) return;
  }
}

void FileIOCompress::Stage(const char* p, int left) {
  while (left > 0) {
    const int size = pipe->BlockSize();
    int k = size - stagingFill;
    if (k > left) k = left;
    memcpy(staging + stagingFill, p, k);
    stagingFill += k;
    p += k;
    left -= k;
    if (stagingFill == size) {
      pipe->Submit(staging, stagingFill, false);
      staging = pipe->Acquire();
      stagingFill = 0;
    }
  }
}

void FileIOCompress::QuiescePlain(Error* e) {
  if (!pipe || !plainThread) return;
  if (pipeReads) {
    // The handle has been read past what the caller took: stop the thread
    // and put the handle back where the caller is. The next read starts
    // it again.
    Error ignored;
    StopCompressor(&ignored);
    if (handle) OsSeek(handle.get(), position);
    return;
  }
  SyncCompressor();
  TakeCompressorError(e);
}

void FileIOCompress::Truncate(int64_t size, Error* e) {
  if (compressMode == kNone) QuiescePlain(e);
  FileIOBinary::Truncate(size, e);
}

int64_t FileIOCompress::GetSize() {
  // Everything handed to the writing thread is on the disk first; its
  // failure stays for the next write or Close.
  if (compressMode == kNone && pipe && plainThread && !pipeReads) SyncCompressor();
  return FileIOBinary::GetSize();
}

void FileIOCompress::StartInflater() { StartReaderThread(false); }

void FileIOCompress::StartReaderThread(bool plain) {
  pipeReads = true;
  plainThread = plain;
  pipe = plain ? std::make_unique<BlockPipe>(kPlainBlocks, kPlainBlockSize)
               : std::make_unique<BlockPipe>(kCompressBlocks, kCompressBlockSize);
  readBlock = nullptr;
  readPos = readLen = 0;
  readLast = false;
  compressorFailed = false;
  compressorError.Clear();
  if (plain)
    compressor = OsStartThread([this] { ReadAheadLoop(); });
  else
    compressor = OsStartThread([this] { InflateLoop(); });
}

void FileIOCompress::InflateLoop() {
  for (;;) {
    char* block = pipe->Acquire();
    if (!block) return;  // the reader closed the file
    bool failed = false;
    int got = Inflate(block, kCompressBlockSize, &failed, &compressorError);
    if (failed) compressorFailed.store(true, std::memory_order_release);
    bool last = failed || stream->Done();
    pipe->Submit(block, got, last);
    if (last) return;
  }
}

int FileIOCompress::Inflate(char* buf, int len, bool* failed, Error* e) {
  stream->SetOutput(buf, len);
  while (!stream->Done()) {
    if (stream->InputLeft() == 0 && !diskAtEnd) {
      int n = FileIOBinary::Read(ioBuffer.get(), ioSize, e);
      if (n < 0) {
        *failed = true;
        break;
      }
      if (n == 0) diskAtEnd = true;
      else stream->SetInput(ioBuffer.get(), n);
    }
    stream->Decompress(e);
    if (stream->Failed()) {
      *failed = true;
      break;
    }
    if (stream->OutputLeft() == 0) break;
    if (diskAtEnd && stream->InputLeft() == 0) {
      // The disk data is used up and zlib has given all it holds: the file
      // is complete only when it ended just after a whole member.
      if (!stream->EndOfInput(e)) *failed = true;
      break;
    }
  }
  return len - stream->OutputLeft();
}

int FileIOCompress::ReadInflated(char* buf, int len, Error* e) {
  for (;;) {
    if (readBlock && readPos < readLen) {
      int k = readLen - readPos < len ? readLen - readPos : len;
      memcpy(buf, readBlock + readPos, k);
      readPos += k;
      uncompressedPos += k;
      return k;
    }
    if (readBlock) {
      if (readLast) {
        // Every byte before the end or the failure has been read.
        if (!compressorFailed.load(std::memory_order_acquire)) return 0;
        TakeCompressorError(e);
        return -1;
      }
      pipe->Release(readBlock);
      readBlock = nullptr;
    }
    if (!pipe->Take(&readBlock, &readLen, &readLast)) return 0;
    readPos = 0;
  }
}

int FileIOCompress::CompressRead(char* buf, int len, Error* e) {
  if (compressMode == kNone) return FileIOCompress::Read(buf, len, e);
  if (!stream) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  if (compressMode == kGzipOnDisk && !writing) {
    if (!pipe) StartInflater();
    if (pipeReads) return len > 0 ? ReadInflated(buf, len, e) : 0;
  }
  if (stream->Failed()) return -1;
  if (stream->Done()) return 0;
  bool failed = false;
  if (compressMode == kGzipOnDisk) {
    Inflate(buf, len, &failed, e);
  } else {
    stream->SetOutput(buf, len);
    for (;;) {
      if (stream->InputLeft() == 0 && !diskAtEnd) {
        int n = FileIOBinary::Read(ioBuffer.get(), ioSize, e);
        if (n < 0) {
          failed = true;
          break;
        }
        if (n == 0) diskAtEnd = true;
        else stream->SetInput(ioBuffer.get(), n);
      }
      int r = stream->Compress(diskAtEnd, e);
      if (stream->Failed()) {
        failed = true;
        break;
      }
      if (r == 0 || stream->OutputLeft() == 0) break;
    }
  }
  int got = len - stream->OutputLeft();
  uncompressedPos += got;
  if (got == 0 && failed) return -1;
  return got;
}

bool FileIOCompress::CompressWrite(const char* buf, int len, Error* e) {
  if (compressMode == kNone) {
    if (!buf) return true;
    if (!pipe && writeBehindOk && position > 0 && handle) StartWriteBehind();
    if (!pipe || pipeReads) return WriteBytes(buf, len, e);
    if (len <= 0) return true;
    if (compressorFailed.load(std::memory_order_acquire)) {
      TakeCompressorError(e);
      return false;
    }
    Stage(buf, len);
    position += len;
    if (digest) digest->Update(buf, len);
    return true;
  }
  if (!stream) {
    SetOsError(e, "Write", path, EBADF);
    return false;
  }
  if (buf && len <= 0) return true;
  if (stream->Failed()) return false;
  bool finishing = buf == nullptr;
  if (compressMode == kGzipOnDisk) {
    if (deflater) {
      if (finishing) return deflater->Finish(e);
      if (!deflater->Write(buf, len, e)) return false;
      uncompressedPos += len;
      return true;
    }
    bool ok = Deflate(buf, len, finishing, e);
    if (ok && !finishing) uncompressedPos += len;
    return ok;
  }
  // Gzip from the caller, plain bytes to the disk.
  if (finishing) return true;
  writing = true;
  stream->SetInput(buf, len);
  for (;;) {
    stream->SetOutput(ioBuffer.get(), ioSize);
    int r = stream->Decompress(e);
    int produced = ioSize - stream->OutputLeft();
    if (produced > 0 && !WriteBytes(ioBuffer.get(), produced, e)) return false;
    if (stream->Failed() || r == 0) break;
    if (stream->InputLeft() == 0 && produced < ioSize) break;
  }
  uncompressedPos += len;
  return !stream->Failed();
}

bool FileIOCompress::Deflate(const char* buf, int len, bool finishing, Error* e) {
  if (!writing) {
    stream->SetOutput(ioBuffer.get(), ioSize);
    writing = true;
  }
  stream->SetInput(buf, finishing ? 0 : len);
  for (;;) {
    if (stream->OutputLeft() == 0) {
      if (!WriteBytes(ioBuffer.get(), ioSize, e)) return false;
      stream->SetOutput(ioBuffer.get(), ioSize);
    }
    int r = stream->Compress(finishing, e);
    if (stream->Failed() || r == 0) break;
    if (!finishing && stream->InputLeft() == 0) break;
  }
  return !stream->Failed();
}

void FileIOCompress::FinishWrite(Error* e) {
  if (deflater) {
    deflater->Finish(e);
    deflater.reset();
    return;
  }
  if (pipe) {
    StopCompressor(e);
    return;
  }
  if (!stream || !writing || compressMode != kGzipOnDisk) return;
  CompressWrite(nullptr, 0, e);
  if (stream->Failed()) return;
  int used = ioSize - stream->OutputLeft();
  if (used > 0) WriteBytes(ioBuffer.get(), used, e);
  stream->SetOutput(ioBuffer.get(), ioSize);
}

void FileIOCompress::Close(Error* e) {
  if (handle) FinishWrite(e);
  stream.reset();
  ioBuffer.reset();
  FileIOBinary::Close(e);
}

void FileIOCompress::WriteRaw(const char* buf, int len, Error* e) {
  if (deflater) {
    // Raw bytes inside a gzip stream being deflated in blocks would land
    // amid them and spoil the file.
    SetOsError(e, "Write", path, ESPIPE);
    return;
  }
  SyncCompressor();  // raw bytes go after everything written before them
  FileIOBinary::Write(buf, len, e);
}

int64_t FileIOCompress::Tell() { return compressMode == kNone ? position : uncompressedPos; }

void FileIOCompress::Seek(int64_t offset, Error* e) {
  if (compressMode == kNone) {
    QuiescePlain(e);
    FileIOBinary::Seek(offset, e);
    return;
  }
  // A compressed stream only moves forward, by reading and discarding.
  if (offset < uncompressedPos || writing || !stream) {
    SetOsError(e, "Seek", path, ESPIPE);
    return;
  }
  char scratch[4096];
  while (uncompressedPos < offset) {
    int64_t want = offset - uncompressedPos;
    int n = CompressRead(scratch, want < 4096 ? static_cast<int>(want) : 4096, e);
    if (n <= 0) {
      if (n == 0) SetOsError(e, "Seek", path, EINVAL);
      return;
    }
  }
}

int64_t FileIOCompress::GetUncompressedSize() {
  if (uncompressedSize != -1) return uncompressedSize;
  int c = type & FST_C_MASK;
  int cm = c == FST_C_GZIP ? kGzipOnDisk : c == FST_C_GUNZIP ? kGzipToCaller : kNone;
  if (cm == kNone) return GetSize();
  std::unique_ptr<FileSys> plain = FileSys::Create(FST_BINARY);
  plain->SetPath(path);
  Error e;
  plain->Open(FOM_READ, &e);
  if (e.Test()) return -1;
  int size = GetLevel(ZT_FILESYS_BUFSIZE);
  std::unique_ptr<char[]> in(new char[size]);
  std::unique_ptr<char[]> out(new char[size]);
  GzipStream s;
  int64_t count = 0;
  bool atEnd = false;
  for (;;) {
    if (s.InputLeft() == 0 && !atEnd) {
      int n = plain->Read(in.get(), size, &e);
      if (n < 0) break;
      if (n == 0) atEnd = true;
      else s.SetInput(in.get(), n);
    }
    s.SetOutput(out.get(), size);
    int r = cm == kGzipOnDisk ? s.Decompress(&e) : s.Compress(atEnd, &e);
    count += size - s.OutputLeft();
    if (s.Failed() || r == 0) break;
    // A stream cut short counts what was there.
    if (cm == kGzipOnDisk && atEnd && s.InputLeft() == 0 && s.OutputLeft() > 0) break;
  }
  plain->Close(&e);
  uncompressedSize = count;
  return count;
}
