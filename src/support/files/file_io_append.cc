#include "support/files/file_io_append.h"

#include <errno.h>

#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"

FileIOAppend::~FileIOAppend() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
}

int FileIOAppend::OpenFlags(int m) const {
  switch (m) {
    case FOM_READ: return OSF_READ;
    case FOM_RW: return OSF_RDWR | OSF_CREATE | OSF_APPEND;
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
  int err = OsLock(handle.get(), OSL_EXCL);
  if (err) {
    SetOsError(e, "lock", path, err);
    return;
  }
  WriteBytes(buf, len, e);
  err = OsLock(handle.get(), OSL_NONE);
  if (err) SetOsError(e, "unlock", path, err);
}

void FileIOAppend::Close(Error* e) {
  mode = FOM_READ;  // a log file's permissions are never changed by Close
  FileIOBuffer::Close(e);
}

int64_t FileIOAppend::GetSize() {
  if (!handle) return -1;
  int64_t size = -1;
  if (isStdStream) return OsHandleSize(handle.get(), &size) == 0 ? size : -1;
  if (OsLock(handle.get(), OSL_SHARED) != 0) return -1;
  if (OsHandleSize(handle.get(), &size) != 0) size = -1;
  OsLock(handle.get(), OSL_NONE);
  return size;
}

void FileIOAppend::Rename(FileSys* target, Error* e) {
  if (GetLevel(DT_SERVER) > 3) {
    DebugPrintf("Rename failed, doing copy/truncate instead: %s %s %d\n", path.Text(),
                target->GetPath().Text(), 1);
  }
  // Copy the content, then empty this file: writers holding it open keep
  // appending to the same file.
  std::unique_ptr<FileSys> src = FileSys::Create(FST_BINARY);
  src->SetPath(path);
  src->Open(FOM_READ, e);
  if (e->Test()) return;
  target->SetPerms(FPM_RO);
  target->Open(FOM_WRITE, e);
  if (e->Test()) {
    Error ignored;
    src->Close(&ignored);
    return;
  }
  int size = GetLevel(ZT_FILESYS_BUFSIZE);
  std::unique_ptr<char[]> buf(new char[size]);
  bool failed = false;
  for (;;) {
    int n = src->Read(buf.get(), size, e);
    if (n < 0) { failed = true; break; }
    if (n == 0) break;
    target->Write(buf.get(), n, e);
    if (e->Test()) {
      failed = true;
      break;
    }
  }
  Error ignored;
  src->Close(&ignored);
  target->Close(failed ? &ignored : e);
  target->Chmod(FPM_RO, nullptr);
  if (!failed && !e->Test()) TruncateToZero(e);
}
