#include "support/files/file_io_kinds.h"

#include <errno.h>
#include <string.h>

#include "support/files/posix/os_file.h"

FileIODir::~FileIODir() {
  if (deleteOnClose && !path.IsEmpty()) {
    Error ignored;
    RemoveTree(path, &ignored);
    SetDeleteOnClose(false);
  }
}

FileIOSymlink::~FileIOSymlink() {
  if (open) {
    Error ignored;
    Close(&ignored);
  }
  if (deleteOnClose) Unlink(nullptr);
}

void FileIOSymlink::Open(int m, Error* e) {
  mode = m;
  lastOpenError = 0;
  content.Clear();
  content.NulTerminate();
  readPos = 0;
  if (m == FOM_READ) {
    int err = OsReadLink(path.Text(), &content);
    if (err) {
      lastOpenError = err;
      SetOsError(e, OpenModeName(m), path, err);
      return;
    }
  }
  open = true;
}

void FileIOSymlink::Write(const char* buf, int len, Error* e) {
  if (!open) {
    SetOsError(e, "Write", path, EBADF);
    return;
  }
  content.Append(buf, static_cast<uint32_t>(len));
}

int FileIOSymlink::Read(char* buf, int len, Error* e) {
  if (!open) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  uint32_t left = content.Length() - readPos;
  uint32_t n = left < static_cast<uint32_t>(len) ? left : static_cast<uint32_t>(len);
  memcpy(buf, content.Text() + readPos, n);
  readPos += n;
  return static_cast<int>(n);
}

void FileIOSymlink::Close(Error* e) {
  if (!open) return;
  open = false;
  if (mode == FOM_READ) return;
  // A target written with a trailing newline names the same place.
  uint32_t n = content.Length();
  if (n && content.Text()[n - 1] == '\n') content.SetLength(n - 1);
  content.NulTerminate();
  OsUnlink(path.Text());
  int err = OsSymlink(content.Text(), path.Text());
  if (err) SetOsError(e, "symlink", path, err);
}

int64_t FileIOSymlink::GetSize() {
  StrBuf target;
  if (OsReadLink(path.Text(), &target)) return -1;
  return target.Length();
}
