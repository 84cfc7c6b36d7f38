// Small helpers shared by the unit tests: temporary directories and whole-file
// reads and writes.
#ifndef ZT_TESTS_TEST_UTIL_H_
#define ZT_TESTS_TEST_UTIL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
// The names in a directory ("." and ".." left out), sorted.
std::vector<std::string> ListDir(const std::string& path);

// n bytes of reproducible text: letters drawn from the first `letters` of
// the alphabet by a generator started at seed, with a line end as every
// lineEvery-th byte, so that it compresses, but not trivially.
std::string PseudoText(size_t n, uint32_t seed, size_t lineEvery, int letters);

}  // namespace testutil

#endif  // ZT_TESTS_TEST_UTIL_H_
