// Opening a file of the file layer by name in one step, for its tests.
#ifndef ZT_TESTS_SUPPORT_FILES_FILE_TEST_UTIL_H_
#define ZT_TESTS_SUPPORT_FILES_FILE_TEST_UTIL_H_

#include <memory>
#include <string>

#include "support/files/filesys.h"

namespace testutil {

// A file of the type named name, opened in mode; a failure goes into e.
inline std::unique_ptr<FileSys> OpenFile(int type, const std::string& name, int mode, Error* e) {
  auto f = FileSys::Create(type);
  f->SetPath(StrPtr(name.c_str()));
  f->Open(mode, e);
  return f;
}

}  // namespace testutil

#endif  // ZT_TESTS_SUPPORT_FILES_FILE_TEST_UTIL_H_
