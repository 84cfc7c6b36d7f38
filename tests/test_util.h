// Small helpers shared by the unit tests: temporary directories and whole-file
// reads and writes.
#ifndef ZT_TESTS_TEST_UTIL_H_
#define ZT_TESTS_TEST_UTIL_H_

#include <string>

namespace testutil {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object is destroyed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Whole-file helpers; ReadFile returns "" for a missing file.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

}  // namespace testutil

#endif  // ZT_TESTS_TEST_UTIL_H_
