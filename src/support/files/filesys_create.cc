// The factory of the file family.
#include "support/files/file_io_append.h"
#include "support/files/file_io_buffer.h"
#include "support/files/file_io_compress.h"
#include "support/files/filesys.h"

// The line mode of a type's line-end bits. Zero is the platform's own text
// convention, which on POSIX is a bare LF: bytes pass unchanged.
static int LineModeOf(int type) {
  switch (type & kFileLineMask) {
    case 0:
    case kFileLineNone: return kLineModeNone;
    case kFileLineCr: return kLineModeCr;
    case kFileLineCrOrCrLf: return kLineModeCrOrCrLf;
    default: return kLineModeCrLf;
  }
}

std::unique_ptr<FileSys> FileSys::Create(int type) {
  int lineMode = LineModeOf(type);
  std::unique_ptr<FileSys> f;
  switch (type & kFileKindMask) {
    case kFileText: f = std::make_unique<FileIOBuffer>(lineMode); break;
    case kFileBinary:
      if (type & kFileCompressMask)
        f = std::make_unique<FileIOCompress>();
      else
        f = std::make_unique<FileIOBinary>();
      break;
    case kFileAppend: f = std::make_unique<FileIOAppend>(lineMode); break;
    default: return nullptr;
  }
  f->type = type;
  return f;
}
