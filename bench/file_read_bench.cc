// Reads a file to its end through a file object of a given type, in blocks
// of a given size, and prints the byte count, the time and the throughput.
// Usage: zt_file_read_bench <type> <file> [block bytes] [readline]
//   type: 1 (buffered text), 2 (binary), 0x802 (gzip)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <memory>

#include "support/files/filesys.h"

static double Now() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s <type> <file> [block bytes] [readline]\n", argv[0]);
    return 2;
  }
  int type = static_cast<int>(strtol(argv[1], nullptr, 0));
  int block = argc > 3 ? atoi(argv[3]) : 32768;
  bool lines = argc > 4 && strcmp(argv[4], "readline") == 0;
  std::unique_ptr<FileSys> f = FileSys::Create(type);
  if (!f) {
    fprintf(stderr, "no file kind for type %#x\n", type);
    return 2;
  }
  f->SetPath(StrPtr(argv[2]));
  Error e;
  double start = Now();
  f->Open(kOpenRead, &e);
  if (e.Test()) {
    fprintf(stderr, "%s\n", e.Text().c_str());
    return 1;
  }
  long long total = 0;
  long long count = 0;
  if (lines) {
    StrBuf line;
    while (f->ReadLine(&line, &e) != 0) {
      total += line.Length() + 1;
      ++count;
    }
  } else {
    std::unique_ptr<char[]> buf(new char[block]);
    for (int n; (n = f->Read(buf.get(), block, &e)) > 0;) {
      total += n;
      ++count;
    }
  }
  f->Close(&e);
  double secs = Now() - start;
  if (e.Test()) {
    fprintf(stderr, "%s\n", e.Text().c_str());
    return 1;
  }
  printf("type %#x: %lld bytes in %lld %s, %.3f s, %.0f MB/s\n", type, total, count,
         lines ? "lines" : "reads", secs, total / 1e6 / (secs > 0 ? secs : 1e-9));
  return 0;
}
