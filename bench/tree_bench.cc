// Path tree benchmark: enters a large synthetic set of depot paths and
// reports the tree's size, its memory per entry and the entering speed.
//
//   tree_bench [paths] [repeats]
//
// Paths look like //depotD/projP/dir/dir/fileN.ext with 1 to 4 directory
// levels; about 2% of them spell one component in another case. Every path
// is entered `repeats` times (a file has several revisions and fields).
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "migrate/dir_entry.h"
#include "migrate/path_tree.h"

namespace {

const char* kWords[] = {"src", "include", "lib", "test", "docs", "main", "util", "net", "db",
                        "ui", "core", "api", "server", "client", "tools", "build", "data",
                        "config", "scripts", "images", "res", "common", "platform", "model",
                        "view", "controller", "io", "crypto", "parser", "render"};
const char* kExts[] = {"c", "h", "cc", "java", "py", "txt", "xml", "png", "md", "json"};

// A small, fast generator (splitmix64): the bench should time the tree.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t operator()() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

// Builds the i-th path of the set into out.
void MakePath(uint64_t i, std::string* out) {
  Rng rng(i * 7919 + 1);
  out->assign("//depot");
  out->append(std::to_string(rng() % 4));
  out->append("/proj");
  out->append(std::to_string(rng() % 200));
  int levels = 1 + static_cast<int>(rng() % 4);
  for (int l = 0; l < levels; l++) {
    out->push_back('/');
    out->append(kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))]);
    out->append(std::to_string(rng() % 8));
  }
  out->append("/file");
  out->append(std::to_string(rng() % 5000));
  out->push_back('.');
  out->append(kExts[rng() % (sizeof(kExts) / sizeof(kExts[0]))]);
  if (rng() % 50 == 0) {
    // Another spelling of one component: upper-case its first letter.
    size_t slash = out->find('/', 2 + rng() % (out->size() - 2));
    if (slash != std::string::npos && slash + 1 < out->size()) {
      char& c = (*out)[slash + 1];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
  }
}

size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t paths = argc > 1 ? strtoull(argv[1], nullptr, 10) : 3000000;
  int repeats = argc > 2 ? atoi(argv[2]) : 2;

  size_t heapBefore = HeapInUse();
  PathTree* tree = new PathTree;
  std::string path;
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < repeats; r++) {
    for (uint64_t i = 0; i < paths; i++) {
      MakePath(i, &path);
      tree->AddPath(StrPtr(path.data(), static_cast<uint32_t>(path.size())));
    }
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  size_t heapAfter = HeapInUse();

  // The generation alone, to subtract from the time.
  start = std::chrono::steady_clock::now();
  size_t sink = 0;
  for (int r = 0; r < repeats; r++) {
    for (uint64_t i = 0; i < paths; i++) {
      MakePath(i, &path);
      sink += path.size();
    }
  }
  double genSecs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  int64_t entries = tree->EntryCount();
  printf("paths entered:        %llu (%llu distinct x %d)\n",
         static_cast<unsigned long long>(paths * repeats), static_cast<unsigned long long>(paths),
         repeats);
  printf("tree entries:         %lld\n", static_cast<long long>(entries));
  printf("sizeof(DirEntry):     %zu\n", sizeof(DirEntry));
  printf("tree memory:          %zu bytes (%.1f bytes/entry)\n", tree->MemoryUsage(),
         static_cast<double>(tree->MemoryUsage()) / entries);
  printf("heap growth:          %zu bytes (%.1f bytes/entry)\n", heapAfter - heapBefore,
         static_cast<double>(heapAfter - heapBefore) / entries);
  printf("entering:             %.2f s (%.0f ns/path without generation)\n", secs,
         (secs - genSecs) * 1e9 / static_cast<double>(paths * repeats));
  start = std::chrono::steady_clock::now();
  delete tree;
  double freeSecs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("destruction:          %.3f s\n", freeSecs);
  return sink == 0;
}
