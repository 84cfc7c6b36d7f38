#include "support/files/file_io_compress.h"

#include <errno.h>

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
    : writeBehind_(nullptr), readAhead_(nullptr), readAheadAllowed_(false), writeBehindAllowed_(false) {}

FileIOCompress::~FileIOCompress() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
}

bool FileIOCompress::GzipOnDisk() const { return (type & kFileGzipBit) != 0; }

bool FileIOCompress::PlainThreadAllowed(int m) {
  // Only the plain text kind itself: the kinds built on it write to the
  // handle on their own. Pipes, terminals and devices may block for good,
  // and a thread stuck in them could not be stopped, so only regular files.
  if ((type & kFileKindMask) != kFileText || isStdStream) return false;
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.isRegular) return false;
  return m != kOpenRead || st.size > kReadAheadMin;
}

void FileIOCompress::Open(int m, Error* e) {
  FileIOBinary::Open(m, e);  // an open file is closed first
  if (!handle) return;
  FileHandle* h = handle.get();
  if (!GzipOnDisk()) {
    source_ = std::make_unique<HandleSource>(h, path);
    sink_ = std::make_unique<HandleSink>(h, FinalPath());
    if (PlainThreadAllowed(m)) {
      readAheadAllowed_ = m == kOpenRead;
      writeBehindAllowed_ = m == kOpenWrite;
    }
    return;
  }
  if (m == kOpenRead) {
    source_ = std::make_unique<GzipSource>(std::make_unique<HandleSource>(h, path), path,
                                          GetLevel(kFileBufferSize));
    readAheadAllowed_ = true;
    return;
  }
  // A stream opened for writing is always completed by Close, so even an
  // empty one leaves a whole gzip file.
  sink_ = std::make_unique<GzipSink>(std::make_unique<HandleSink>(h, FinalPath()), threads,
                                    GetLevel(kGzipLevel));
}

void FileIOCompress::StartReadAhead() {
  if (!readAheadAllowed_) return;
  readAheadAllowed_ = false;
  bool gz = GzipOnDisk();
  auto ahead = std::make_unique<ReadAheadSource>(std::move(source_), gz ? kGzipBlocks : kPlainBlocks,
                                                 gz ? kGzipBlockSize : kPlainBlockSize);
  readAhead_ = ahead.get();
  source_ = std::move(ahead);
}

int FileIOCompress::Read(char* buf, int len, Error* e) {
  if (!source_) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  if (len <= 0) return 0;
  StartReadAhead();
  int n = source_->Read(buf, len, e);
  if (n > 0) position += n;
  return n;
}

int FileIOCompress::ReadLent(const char** data, Error* e) {
  if (!source_) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  StartReadAhead();
  if (!readAhead_) return kCannotLend;
  int n = readAhead_->Lend(data, e);
  if (n > 0) position += n;
  return n;
}

void FileIOCompress::Write(const char* buf, int len, Error* e) { WriteThrough(buf, len, e); }

bool FileIOCompress::WriteThrough(const char* buf, int len, Error* e) {
  if (!sink_) {
    SetOsError(e, "Write", path, EBADF);
    return false;
  }
  if (len <= 0) return true;
  // A file written in one piece (a buffer's worth at Close) needs no thread.
  if (writeBehindAllowed_ && position > 0) {
    writeBehindAllowed_ = false;
    auto behind = std::make_unique<WriteBehindSink>(std::move(sink_), kPlainBlocks, kPlainBlockSize);
    writeBehind_ = behind.get();
    sink_ = std::move(behind);
  }
  if (!sink_->Write(buf, len, e)) return false;
  position += len;
  return true;
}

void FileIOCompress::Close(Error* e) {
  if (sink_) sink_->Finish(e);
  sink_.reset();
  writeBehind_ = nullptr;
  readAhead_ = nullptr;
  source_.reset();
  readAheadAllowed_ = writeBehindAllowed_ = false;
  FileIOBinary::Close(e);
}

int64_t FileIOCompress::GetSize() {
  // Everything handed to the writing thread is on the disk first; its
  // failure stays for the next write or Close.
  if (writeBehind_) writeBehind_->Drain(nullptr);
  return FileIOBinary::GetSize();
}
