#include "support/files/file_io_append.h"

#include <errno.h>

#include "support/files/posix/os_file.h"

FileIOAppend::~FileIOAppend() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
}

int FileIOAppend::OpenFlags(int m) const {
  switch (m) {
    case kOpenRead: return OSF_READ;
    default: return OSF_WRITE | OSF_CREATE | OSF_APPEND;
  }
}

void FileIOAppend::Write(const char* buf, int len, Error* e) {
  if (!handle) {
    SetOsError(e, "Write", path, EBADF);
    return;
  }
  if (isStdStream) {
    WriteBytes(buf, len, e);
    return;
  }
  int err = OsLock(handle.get(), true);
  if (err) {
    SetOsError(e, "lock", path, err);
    return;
  }
  WriteBytes(buf, len, e);
  err = OsLock(handle.get(), false);
  if (err) SetOsError(e, "unlock", path, err);
}

void FileIOAppend::Close(Error* e) {
  mode = kOpenRead;  // a log file's permissions are never changed by Close
  FileIOBuffer::Close(e);
}
