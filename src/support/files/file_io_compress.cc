#include "support/files/file_io_compress.h"

#include <errno.h>

#include "support/files/digest.h"
#include "support/files/gzip_sink.h"
#include "support/files/gzip_source.h"
#include "support/files/handle_bytes.h"
#include "support/files/posix/os_file.h"
#include "support/files/read_ahead_source.h"
#include "support/files/write_behind_sink.h"
#include "support/messages/debug.h"

namespace {

// Blocks a gzip file is decompressed into ahead of the caller: large
// enough that the hand-over costs nothing next to inflating them, few
// enough to bound the memory.
const int kGzipBlockSize = 1 << 20;
const int kGzipBlocks = 3;

// Blocks of the plain read-ahead and write-behind threads: small enough to
// stay in the caches between the two threads, large enough that the
// hand-over costs nothing next to the copy.
const int kPlainBlockSize = 256 << 10;
const int kPlainBlocks = 4;

// A plain file is read ahead only when it holds more than a megabyte:
// smaller ones take a few reads anyway.
const int64_t kReadAheadMin = 1 << 20;

}  // namespace

FileIOCompress::FileIOCompress()
    : writeBehind(nullptr), readAhead(nullptr), readAheadAllowed(false), writeBehindAllowed(false) {}

FileIOCompress::~FileIOCompress() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
}

bool FileIOCompress::GzipOnDisk() const { return (type & FST_C_GZIP) != 0; }

bool FileIOCompress::PlainThreadAllowed(int m) {
  // Only the plain text kind itself: the kinds built on it write to the
  // handle on their own. Pipes, terminals and devices may block for good,
  // and a thread stuck in them could not be stopped, so only regular files.
  if ((type & FST_MASK) != FST_TEXT || isStdStream) return false;
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.isRegular) return false;
  return m != FOM_READ || st.size > kReadAheadMin;
}

void FileIOCompress::Open(int m, Error* e) {
  FileIOBinary::Open(m, e);  // an open file is closed first
  if (!handle) return;
  FileHandle* h = handle.get();
  if (!GzipOnDisk()) {
    source = std::make_unique<HandleSource>(h, path);
    sink = std::make_unique<HandleSink>(h, FinalPath());
    if (PlainThreadAllowed(m)) {
      readAheadAllowed = m == FOM_READ;
      writeBehindAllowed = m == FOM_WRITE || m == FOM_UWRITE;
    }
    return;
  }
  if (m == FOM_READ || m == FOM_RW) {
    source = std::make_unique<GzipSource>(std::make_unique<HandleSource>(h, path), path,
                                          GetLevel(ZT_FILESYS_BUFSIZE));
    readAheadAllowed = true;
    return;
  }
  // A stream opened for writing is always completed by Close, so even an
  // empty one leaves a whole gzip file.
  sink = std::make_unique<GzipSink>(std::make_unique<HandleSink>(h, FinalPath()), threads,
                                    GetLevel(ZT_ZLIB_COMPRESSION_LEVEL));
}

void FileIOCompress::StartReadAhead() {
  if (!readAheadAllowed) return;
  readAheadAllowed = false;
  bool gz = GzipOnDisk();
  auto ahead = std::make_unique<ReadAheadSource>(std::move(source), gz ? kGzipBlocks : kPlainBlocks,
                                                 gz ? kGzipBlockSize : kPlainBlockSize);
  readAhead = ahead.get();
  source = std::move(ahead);
}

void FileIOCompress::Took(const char* data, int n) {
  if (n <= 0) return;
  position += n;
  if (digest) digest->Update(data, n);
}

int FileIOCompress::Read(char* buf, int len, Error* e) {
  if (!source) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  if (len <= 0) return 0;
  StartReadAhead();
  int n = source->Read(buf, len, e);
  Took(buf, n);
  return n;
}

int FileIOCompress::ReadLent(const char** data, Error* e) {
  if (!source) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  StartReadAhead();
  if (!readAhead) return kCannotLend;
  int n = readAhead->Lend(data, e);
  if (n > 0) Took(*data, n);
  return n;
}

void FileIOCompress::Write(const char* buf, int len, Error* e) { WriteThrough(buf, len, e); }

bool FileIOCompress::WriteThrough(const char* buf, int len, Error* e) {
  if (!sink) {
    SetOsError(e, "Write", path, EBADF);
    return false;
  }
  if (len <= 0) return true;
  // A file written in one piece (a buffer's worth at Close) needs no thread.
  if (writeBehindAllowed && position > 0) {
    writeBehindAllowed = false;
    auto behind = std::make_unique<WriteBehindSink>(std::move(sink), kPlainBlocks, kPlainBlockSize);
    writeBehind = behind.get();
    sink = std::move(behind);
  }
  if (!sink->Write(buf, len, e)) return false;
  position += len;
  if (digest) digest->Update(buf, len);
  return true;
}

void FileIOCompress::Close(Error* e) {
  if (sink) sink->Finish(e);
  sink.reset();
  writeBehind = nullptr;
  readAhead = nullptr;
  source.reset();
  readAheadAllowed = writeBehindAllowed = false;
  FileIOBinary::Close(e);
}

void FileIOCompress::SettlePlainThreads(Error* e) {
  if (writeBehind) writeBehind->Drain(e);
  if (readAhead) {
    // The handle has been read past what the caller took: stop the thread
    // and put the handle back where the caller is. The next read starts
    // it again.
    readAhead = nullptr;
    source = std::make_unique<HandleSource>(handle.get(), path);
    readAheadAllowed = true;
    OsSeek(handle.get(), position);
  }
}

void FileIOCompress::Seek(int64_t offset, Error* e) {
  if (!GzipOnDisk()) {
    SettlePlainThreads(e);
    FileIOBinary::Seek(offset, e);
    return;
  }
  // A compressed stream only moves forward, by reading and discarding.
  if (offset < position || !source) {
    SetOsError(e, "Seek", path, ESPIPE);
    return;
  }
  char scratch[4096];
  while (position < offset) {
    int64_t want = offset - position;
    int n = FileIOCompress::Read(scratch, want < 4096 ? static_cast<int>(want) : 4096, e);
    if (n <= 0) {
      if (n == 0) SetOsError(e, "Seek", path, EINVAL);
      return;
    }
  }
}

void FileIOCompress::Truncate(int64_t size, Error* e) {
  if (!GzipOnDisk()) SettlePlainThreads(e);
  FileIOBinary::Truncate(size, e);
}

int64_t FileIOCompress::GetSize() {
  // Everything handed to the writing thread is on the disk first; its
  // failure stays for the next write or Close.
  if (writeBehind) writeBehind->Drain(nullptr);
  return FileIOBinary::GetSize();
}
