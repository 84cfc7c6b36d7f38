#include "support/files/file_io_compress.h"

#include <errno.h>
#include <string.h>

#include <vector>

#include "support/files/block_pipe.h"
#include "support/files/files_messages.h"
#include "support/files/gzip_stream.h"
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
      compressorFailed(false) {}

namespace {

// Blocks handed to the compressing thread: large enough that the hand-over
// costs nothing next to deflating them, few enough to bound the memory.
const int kCompressBlockSize = 1 << 20;
const int kCompressBlocks = 3;

}  // namespace

FileIOCompress::~FileIOCompress() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
  Error ignored;
  StopCompressor(&ignored);  // a thread is never left running
}

void FileIOCompress::Open(int m, Error* e) {
  if (pipe) {
    Error ignored;
    StopCompressor(&ignored);
  }
  int c = type & FST_C_MASK;
  compressMode = c == FST_C_GZIP ? kGzipOnDisk : c == FST_C_GUNZIP ? kGzipToCaller : kNone;
  if (compressMode != kNone) {
    stream = std::make_unique<GzipStream>();
    ioSize = GetLevel(ZT_FILESYS_BUFSIZE);
    ioBuffer.reset(new char[ioSize]);
  }
  uncompressedPos = 0;
  uncompressedSize = -1;
  writing = false;
  diskAtEnd = false;
  FileIOBinary::Open(m, e);
  if (!handle) {
    stream.reset();
    ioBuffer.reset();
    return;
  }
  // A stream opened for writing is always completed by Close, so even an
  // empty one leaves a whole gzip file.
  if (compressMode == kGzipOnDisk && (m == FOM_WRITE || m == FOM_UWRITE)) {
    stream->SetOutput(ioBuffer.get(), ioSize);
    writing = true;
    StartCompressor();
  }
}

void FileIOCompress::StartCompressor() {
  pipe = std::make_unique<BlockPipe>(kCompressBlocks, kCompressBlockSize);
  staging = pipe->Acquire();
  stagingFill = 0;
  compressorFailed = false;
  compressorError.Clear();
  compressor = std::thread([this] { CompressLoop(); });
}

void FileIOCompress::CompressLoop() {
  char* block;
  int n;
  bool last;
  while (pipe->Take(&block, &n, &last)) {
    // After a failure the blocks are only returned, so the writer never
    // waits for one; the failure is reported from the writer's side.
    if (!compressorFailed.load(std::memory_order_acquire)) {
      bool ok = Deflate(block, n, false, &compressorError);
      if (ok && last) {
        ok = Deflate(nullptr, 0, true, &compressorError);
        int used = ioSize - stream->OutputLeft();
        if (ok && used > 0) ok = WriteBytes(ioBuffer.get(), used, &compressorError);
        stream->SetOutput(ioBuffer.get(), ioSize);
      }
      if (!ok) compressorFailed.store(true, std::memory_order_release);
    }
    pipe->Release(block);
    if (last) return;
  }
}

void FileIOCompress::SyncCompressor() {
  if (!pipe) return;
  // Hand the block being filled over, then take every block back: the
  // thread has then deflated all of them.
  pipe->Submit(staging, stagingFill, false);
  std::vector<char*> held;
  for (int i = 0; i < kCompressBlocks; ++i) held.push_back(pipe->Acquire());
  for (int i = 1; i < kCompressBlocks; ++i) pipe->Release(held[i]);
  staging = held[0];
  stagingFill = 0;
}

void FileIOCompress::StopCompressor(Error* e) {
  if (!pipe) return;
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
  e->Swap(&compressorError);
  compressorError.Clear();
}

int FileIOCompress::Read(char* buf, int len, Error* e) {
  if (compressMode == kNone) return FileIOBinary::Read(buf, len, e);
  return CompressRead(buf, len, e);
}

void FileIOCompress::Write(const char* buf, int len, Error* e) {
  if (compressMode == kNone) {
    FileIOBinary::Write(buf, len, e);
    return;
  }
  CompressWrite(buf, len, e);
}

int FileIOCompress::CompressRead(char* buf, int len, Error* e) {
  if (compressMode == kNone) return FileIOBinary::Read(buf, len, e);
  if (!stream) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  if (stream->Failed()) return -1;
  if (stream->Done()) return 0;
  stream->SetOutput(buf, len);
  bool failed = false;
  for (;;) {
    if (compressMode == kGzipOnDisk) {
      if (stream->InputLeft() == 0) {
        int n = FileIOBinary::Read(ioBuffer.get(), ioSize, e);
        if (n < 0) {
          failed = true;
          break;
        }
        if (n == 0) {
          e->Set(kMsgUnexpectedEof);
          failed = true;
          break;
        }
        stream->SetInput(ioBuffer.get(), n);
      }
      int r = stream->Decompress(e);
      if (stream->Failed()) {
        failed = true;
        break;
      }
      if (r == 0 || stream->OutputLeft() == 0) break;
    } else {
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
    return buf ? WriteBytes(buf, len, e) : true;
  }
  if (!stream) {
    SetOsError(e, "Write", path, EBADF);
    return false;
  }
  if (buf && len <= 0) return true;
  if (stream->Failed()) return false;
  bool finishing = buf == nullptr;
  if (compressMode == kGzipOnDisk) {
    if (pipe && !finishing) {
      if (compressorFailed.load(std::memory_order_acquire)) {
        TakeCompressorError(e);
        return false;
      }
      const char* p = buf;
      int left = len;
      while (left > 0) {
        int k = kCompressBlockSize - stagingFill;
        if (k > left) k = left;
        memcpy(staging + stagingFill, p, k);
        stagingFill += k;
        p += k;
        left -= k;
        if (stagingFill == kCompressBlockSize) {
          pipe->Submit(staging, stagingFill, false);
          staging = pipe->Acquire();
          stagingFill = 0;
        }
      }
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
  SyncCompressor();  // raw bytes go after everything written before them
  FileIOBinary::Write(buf, len, e);
}

int64_t FileIOCompress::Tell() { return compressMode == kNone ? position : uncompressedPos; }

void FileIOCompress::Seek(int64_t offset, Error* e) {
  if (compressMode == kNone) {
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
      if (n == 0) {
        atEnd = true;
        if (cm == kGzipOnDisk) break;  // cut short: count what was there
      } else {
        s.SetInput(in.get(), n);
      }
    }
    s.SetOutput(out.get(), size);
    int r = cm == kGzipOnDisk ? s.Decompress(&e) : s.Compress(atEnd, &e);
    count += size - s.OutputLeft();
    if (s.Failed() || r == 0) break;
  }
  plain->Close(&e);
  uncompressedSize = count;
  return count;
}
