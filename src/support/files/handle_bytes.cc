#include "support/files/handle_bytes.h"

#include <errno.h>

#include "support/files/file_io.h"
#include "support/files/posix/os_file.h"

HandleSource::HandleSource(FileHandle* handle, const StrPtr& name) : handle_(handle), name_(name) {}

int HandleSource::Read(char* buf, int len, Error* e) { return ReadHandle(handle_, name_, buf, len, e); }

int HandleSource::ReadHandle(FileHandle* handle, const StrPtr& name, char* buf, int len, Error* e) {
  int n = 0;
  int err = OsRead(handle, buf, len, &n);
  if (err) {
    // A pipe whose writer has gone is the end of the data.
    if (err == EPIPE) return 0;
    FileIO::SetOsError(e, "read", name, err);
    return -1;
  }
  return n;
}

HandleSink::HandleSink(FileHandle* handle, const StrPtr& name) : handle_(handle), name_(name) {}

bool HandleSink::Write(const char* buf, int len, Error* e) {
  int err = OsWrite(handle_, buf, len);
  if (err) {
    FileIO::SetOsError(e, "write", name_, err);
    return false;
  }
  return true;
}
