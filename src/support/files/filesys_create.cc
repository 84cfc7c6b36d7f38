// The factory of the file family.
#include "support/files/file_io_append.h"
#include "support/files/file_io_buffer.h"
#include "support/files/file_io_compress.h"
#include "support/files/filesys.h"

// The line mode of a type's line-end bits. Zero is the platform's own text
// convention, which on POSIX is a bare LF: bytes pass unchanged.
static int LineModeOf(int type) {
  switch (type & FST_L_MASK) {
    case 0:
    case FST_L_NONE: return LineModeNone;
    case FST_L_CR: return LineModeCR;
    case FST_L_CRORCRLF: return LineModeCRorCRLF;
    default: return LineModeCRLF;
  }
}

std::unique_ptr<FileSys> FileSys::Create(int type) {
  int lineMode = LineModeOf(type);
  std::unique_ptr<FileSys> f;
  switch (type & FST_MASK) {
    case FST_TEXT: f = std::make_unique<FileIOBuffer>(lineMode); break;
    case FST_BINARY:
      if (type & FST_C_MASK)
        f = std::make_unique<FileIOCompress>();
      else
        f = std::make_unique<FileIOBinary>();
      break;
    case FST_APPEND: f = std::make_unique<FileIOAppend>(lineMode); break;
    default: return nullptr;
  }
  f->type = type;
  return f;
}
