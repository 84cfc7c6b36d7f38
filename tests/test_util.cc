#include "test_util.h"

#include <dirent.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>

namespace testutil {

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/zttest.XXXXXX";
  if (!mkdtemp(tmpl.data())) abort();
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything writable again so that read-only test files go too.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
    chmod(entry.path().c_str(), entry.is_directory() ? 0700 : 0600);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string PseudoText(size_t n, uint32_t seed, size_t lineEvery, int letters) {
  std::string s;
  s.reserve(n);
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s += (i % lineEvery == lineEvery - 1) ? '\n' : static_cast<char>('a' + ((x >> 16) % letters));
  }
  return s;
}

}  // namespace testutil

namespace testutil {

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = opendir(path.c_str())) {
    while (struct dirent* entry = readdir(d)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testutil
