// map_bench: loads and disambiguates a large translation map spread over
// realistic partitions, then translates millions of paths through it.
//
// Usage: map_bench [lines] [paths] [depots] [projects] [shape]
//        (defaults 100000, 3000000, 8, 40: 320 partitions of ~300 lines)
//        shape "tree": every line in one partition, a directory tree of
//        distinct lines written parents first (depots and projects unused)
#include <ctime>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "map/translation_map.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/text/fold.h"

namespace {

// CPU seconds of this process: the machine may be shared, so wall-clock
// time would measure the neighbours too.
double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Swaps the case of a few letters, as an administrator's edit would.
std::string Recase(const std::string& s, std::mt19937* rng) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z' && (*rng)() % 4 == 0) c = static_cast<char>(c - 32);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int lines = argc > 1 ? atoi(argv[1]) : 100000;
  int paths = argc > 2 ? atoi(argv[2]) : 3000000;
  std::mt19937 rng(42);

  // The conflict-map shape: 8 depots, 40 projects each (320 partitions of
  // a few hundred lines), every line a directory or file of a project in
  // another case, parents before children, plus one line per depot.
  const int depots = argc > 3 ? atoi(argv[3]) : 8;
  const int projects = argc > 4 ? atoi(argv[4]) : 40;
  std::string text = "# generated map\n";
  std::vector<std::string> dirs;
  for (int d = 0; d < depots; ++d) {
    std::string depot = "//depot" + std::to_string(d);
    text += depot + "/... " + Recase(depot, &rng) + "/...\n";
  }
  int written = depots;
  const bool tree = argc > 5 && std::string(argv[5]) == "tree";
  std::vector<std::string> treeDirs;  // the tree's directories, for lookups
  if (tree) {
    text = "# generated map\n";
    written = 0;
    // Depth-first over a tree of directories, 6 subdirectories and 20
    // files each, down to 6 levels; a child keeps its parent's spelling
    // and re-cases only its own name.
    struct Dir {
      std::string left, right;
      int depth;
    };
    std::vector<Dir> stack{{"//depot/main", "//depot/main", 0}};
    while (!stack.empty() && written < lines) {
      Dir d = stack.back();
      stack.pop_back();
      text += d.left + "/... " + d.right + "/...\n";
      treeDirs.push_back(d.left);
      ++written;
      for (int f = 0; f < 20 && written < lines; ++f, ++written) {
        std::string name = "/file" + std::to_string(f) + ".c";
        text += d.left + name + " " + d.right + Recase(name, &rng) + "\n";
      }
      if (d.depth < 6)
        for (int c = 5; c >= 0; --c) {
          std::string name = "/dir" + std::to_string(c);
          stack.push_back(Dir{d.left + name, d.right + Recase(name, &rng), d.depth + 1});
        }
    }
  }
  while (written < lines) {
    int d = rng() % depots, p = rng() % projects;
    std::string base = "//depot" + std::to_string(d) + "/proj" + std::to_string(p);
    std::string path = base + "/src/module" + std::to_string(rng() % 50);
    if (rng() % 3) path += "/file" + std::to_string(rng() % 1000) + ".c";
    else path += "/...";
    text += path + " " + Recase(path, &rng) + "\n";
    ++written;
  }

  char name[] = "/tmp/map_bench_XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return 1;
  FILE* f = fdopen(fd, "w");
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  std::string().swap(text);  // the peak measured is the map's, not this copy's

  SetLevel(kDebugVerbosity, 0);
  std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
  file->SetPath(name);
  Error e;
  file->Open(kOpenRead, &e);
  TranslationMap map(true, FoldRules{FoldMode::kSevenBit});
  double start = CpuNow();
  map.Load(file.get(), &e);
  double loadSecs = CpuNow() - start;
  file->Close(&e);
  unlink(name);
  if (e.Test()) {
    fprintf(stderr, "load failed: %s\n", e.Text().c_str());
    return 1;
  }

  // Paths: mostly under mapped modules, some under unmapped directories
  // (which take the prefix fallback), some in other depots. They are kept
  // in one buffer, so that the bench's own data weighs little beside the
  // map in the peak memory measured.
  std::string pool;
  std::vector<StrPtr> sample;  // filled in once the pool stops moving
  std::vector<std::pair<uint32_t, uint32_t>> spans;  // offset and length in pool
  auto add = [&](const std::string& s) {
    spans.emplace_back(static_cast<uint32_t>(pool.size()), static_cast<uint32_t>(s.size()));
    pool += s;
    pool += '\0';
  };
  for (int i = 0; i < 100000; ++i) {
    if (tree) {
      // Files of the tree's directories and of new subdirectories.
      std::string s = treeDirs[rng() % treeDirs.size()];
      if (rng() % 4 == 0) s += "/new" + std::to_string(rng() % 10);
      add(s + "/file" + std::to_string(rng() % 30) + ".c");
      continue;
    }
    int d = rng() % (depots + 1), p = rng() % (projects + 5);
    std::string s = "//Depot" + std::to_string(d) + "/PROJ" + std::to_string(p) + "/src/module" +
                    std::to_string(rng() % 60) + "/sub" + std::to_string(rng() % 10) + "/file" +
                    std::to_string(rng() % 1000) + ".c";
    add(s);
  }
  pool.shrink_to_fit();
  for (const auto& [at, n] : spans) sample.emplace_back(pool.data() + at, n);
  std::vector<std::pair<uint32_t, uint32_t>>().swap(spans);
  // Checkpoints list the rows of a table in key order, so consecutive
  // lookups share their directories: translate the sample in sorted order
  // (the figure for a random order is printed too).
  std::vector<StrPtr> shuffled = sample;
  std::sort(sample.begin(), sample.end(),
            [](const StrPtr& a, const StrPtr& b) { return a.View() < b.View(); });
  StrBuf out;
  long translated = 0;
  start = CpuNow();
  for (int i = 0; i < paths; ++i) {
    if (map.TranslatePath(sample[i % sample.size()], &out)) ++translated;
  }
  double trSecs = CpuNow() - start;
  start = CpuNow();
  for (int i = 0; i < paths / 4; ++i) {
    map.TranslatePath(shuffled[i % shuffled.size()], &out);
  }
  double randomSecs = CpuNow() - start;

  printf("map lines %d, partitions %d, mappings %d, entries after disambiguation %d\n", written,
         map.PartitionCount(), map.MappingCount(), map.TotalEntries());
  printf("Match calls per path: %.2f\n", static_cast<double>(map.TotalMatchCount()) / paths);
  printf("load + disambiguate: %.2f s CPU\n", loadSecs);
  printf("translate %d paths: %.2f s CPU (%.0f paths/s), %ld translated\n", paths, trSecs, paths / trSecs,
         translated);
  printf("random order: %.0f paths/s\n", (paths / 4) / randomSecs);
  return 0;
}
