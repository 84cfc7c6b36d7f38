#include "support/files/file_io_buffer.h"

#include <errno.h>
#include <string.h>

#include "support/files/files_messages.h"
#include "support/messages/debug.h"

FileIOBuffer::FileIOBuffer(int mode)
    : readPtr(nullptr),
      readAvail(0),
      writePending(0),
      lineMode(mode),
      bufferSize(GetLevel(kFileBufferSize)) {
  buffer.reset(new char[bufferSize]);
  readPtr = buffer.get();
}

FileIOBuffer::~FileIOBuffer() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
}

void FileIOBuffer::Open(int m, Error* e) {
  FileIOCompress::Open(m, e);
  readPtr = buffer.get();
  readAvail = 0;
  writePending = 0;
}

int FileIOBuffer::FillBuffer(Error* e) {
  int n = FileIOCompress::Read(buffer.get(), bufferSize, e);
  readPtr = buffer.get();
  readAvail = n > 0 ? n : 0;
  return n;
}

bool FileIOBuffer::FlushBuffer(Error* e) {
  if (writePending == 0) return true;
  int n = writePending;
  writePending = 0;
  return WriteThrough(buffer.get(), n, e);
}

bool FileIOBuffer::Put(const char* p, int n, Error* e) {
  while (n > 0) {
    int room = bufferSize - writePending;
    if (room == 0) {
      if (!FlushBuffer(e)) return false;
      room = bufferSize;
    }
    int k = n < room ? n : room;
    memcpy(buffer.get() + writePending, p, k);
    writePending += k;
    p += k;
    n -= k;
  }
  return true;
}

void FileIOBuffer::Write(const char* buf, int len, Error* e) {
  if (!handle) {
    SetOsError(e, "Write", path, EBADF);
    return;
  }
  if (len <= 0) return;
  switch (lineMode) {
    case kLineModeCr:
    case kLineModeCrLf: {
      const char* p = buf;
      const char* end = buf + len;
      while (p < end) {
        const char* lf = static_cast<const char*>(memchr(p, '\n', end - p));
        int plain = static_cast<int>((lf ? lf : end) - p);
        if (!Put(p, plain, e)) return;
        if (!lf) break;
        if (!Put("\r\n", lineMode == kLineModeCr ? 1 : 2, e)) return;
        p = lf + 1;
      }
      return;
    }
    default:
      // Bytes unchanged. A large write with nothing pending skips the copy,
      // and so does every write once the writing thread gathers them.
      if (CanBypassBuffer() && WritesBehind()) {
        if (FlushBuffer(e)) WriteThrough(buf, len, e);
        return;
      }
      if (writePending == 0 && len >= bufferSize && CanBypassBuffer()) {
        WriteThrough(buf, len, e);
        return;
      }
      Put(buf, len, e);
      return;
  }
}

int FileIOBuffer::PeekByte(Error* e, bool* failed) {
  *failed = false;
  if (readAvail == 0) {
    int n = FillBuffer(e);
    if (n < 0) *failed = true;
    if (n <= 0) return -1;
  }
  return static_cast<unsigned char>(*readPtr);
}

int FileIOBuffer::Read(char* buf, int len, Error* e) {
  if (!handle) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  int done = 0;
  while (done < len) {
    if (readAvail == 0) {
      int want = len - done;
      if (lineMode == kLineModeNone && want >= bufferSize && CanBypassBuffer()) {
        // Large reads go straight into the caller's buffer.
        int n = FileIOCompress::Read(buf + done, want, e);
        if (n < 0) return -1;
        if (n == 0) break;
        done += n;
        continue;
      }
      int n = FillBuffer(e);
      if (n < 0) return -1;
      if (n == 0) break;
    }
    int k = readAvail < len - done ? readAvail : len - done;
    char* out = buf + done;
    if (lineMode == kLineModeNone || lineMode == kLineModeCr) {
      memcpy(out, readPtr, k);
      readPtr += k;
      readAvail -= k;
      done += k;
      if (lineMode == kLineModeCr) {
        for (char* p = out; (p = static_cast<char*>(memchr(p, '\r', out + k - p))); ++p) *p = '\n';
      }
      continue;
    }
    // CRLF and CR-or-CRLF: copy up to the next CR, then decide what it is.
    const char* cr = static_cast<const char*>(memchr(readPtr, '\r', k));
    int plain = cr ? static_cast<int>(cr - readPtr) : k;
    memcpy(out, readPtr, plain);
    readPtr += plain;
    readAvail -= plain;
    done += plain;
    if (!cr) continue;
    ++readPtr;
    --readAvail;
    // The byte after the CR is looked at even when the caller's buffer is
    // now full, and even when it lies beyond the buffered data.
    bool failed;
    int next = PeekByte(e, &failed);
    if (failed) return -1;
    if (next == '\n') {
      ++readPtr;
      --readAvail;
      buf[done++] = '\n';
    } else {
      buf[done++] = lineMode == kLineModeCrLf ? '\r' : '\n';
    }
  }
  return done;
}

int FileIOBuffer::ReadLent(const char** data, Error* e) {
  if (!handle) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  if (readAvail > 0) {
    int n = readAvail;
    *data = readPtr;
    readPtr += n;
    readAvail = 0;
    return n;
  }
  if (lineMode != kLineModeNone || !CanBypassBuffer()) return kCannotLend;
  return FileIOCompress::ReadLent(data, e);
}

int FileIOBuffer::ReadLine(StrBuf* line, Error* e) {
  line->Clear();
  if (!handle) {
    SetOsError(e, "Read", path, EBADF);
    line->NulTerminate();
    return 0;
  }
  for (;;) {
    if (readAvail == 0) {
      int n = FillBuffer(e);
      if (n < 0) {
        line->NulTerminate();
        return 0;  // a failed read never passes for the last line
      }
      if (n == 0) {
        line->NulTerminate();
        return line->Length() ? -1 : 0;
      }
    }
    int k = readAvail;
    const char* hit = static_cast<const char*>(memchr(readPtr, '\n', k));
    if (lineMode != kLineModeNone) {
      int scan = hit ? static_cast<int>(hit - readPtr) : k;
      const char* cr = static_cast<const char*>(memchr(readPtr, '\r', scan));
      if (cr) hit = cr;
    }
    int plain = hit ? static_cast<int>(hit - readPtr) : k;
    if (static_cast<uint64_t>(line->Length()) + plain > lineLimit) {
      e->Set(kMsgLineTooLong) << path << lineLimit;
      line->NulTerminate();
      return 0;
    }
    line->AppendUnterminated(readPtr, plain);
    if (!hit) {
      readPtr += k;
      readAvail = 0;
      continue;
    }
    char c = *hit;
    readPtr += plain + 1;
    readAvail -= plain + 1;
    if (c == '\n' || lineMode == kLineModeCr) {
      line->NulTerminate();
      return 1;
    }
    // A CR in the CRLF modes: look at the next byte, refilling if the CR
    // was the last byte buffered, so the answer never depends on where a
    // buffer happens to end.
    bool failed;
    int next = PeekByte(e, &failed);
    if (failed) {
      line->NulTerminate();
      return 0;
    }
    if (next == '\n') {
      ++readPtr;
      --readAvail;
      line->NulTerminate();
      return 1;
    }
    if (lineMode == kLineModeCrOrCrLf) {
      line->NulTerminate();
      return 1;  // a lone CR ends a line too
    }
    line->AppendUnterminated("\r", 1);  // a lone CR is data
  }
}

void FileIOBuffer::Close(Error* e) {
  if (handle) FlushBuffer(e);
  writePending = 0;
  readAvail = 0;
  FileIOCompress::Close(e);
}

int64_t FileIOBuffer::Tell() {
  int64_t base = FileIOCompress::Tell();
  return mode != kOpenRead ? base + writePending : base - readAvail;
}
