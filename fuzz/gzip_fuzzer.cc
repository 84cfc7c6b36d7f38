// Fuzzes the gzip stream: the input is inflated through small, varying
// windows with the output capped (a bomb must not be followed to the end),
// and, separately, compressed and inflated back, which must give the input.
#include <memory>
#include <string>

#include "fuzz/fuzz_util.h"
#include "support/files/gzip_stream.h"

namespace {

// Inflates the input; returns the bytes produced (at most limit).
std::string Inflate(const char* p, size_t n, int inStep, int outStep, size_t limit, bool* done) {
  GzipStream gz;
  Error e;
  std::string out;
  char window[4096];
  size_t at = 0;
  *done = false;
  gz.SetInput(p, 0);
  for (int guard = 0; guard < 1 << 20; ++guard) {
    if (gz.InputLeft() == 0 && at < n) {
      int take = static_cast<int>(std::min(n - at, static_cast<size_t>(inStep)));
      gz.SetInput(p + at, take);
      at += take;
    }
    gz.SetOutput(window, outStep);
    int more = gz.Decompress(&e);
    out.append(window, outStep - gz.OutputLeft());
    if (!more || e.Test()) break;
    if (gz.InputLeft() == 0 && at >= n && gz.OutputLeft() > 0) {
      gz.EndOfInput(&e);  // complete only after a whole member
      break;
    }
    if (out.size() > limit) break;
  }
  *done = gz.Done() && !e.Test();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 2) return 0;
  int inStep = 1 + data[0] % 97;
  int outStep = 1 + data[1] * 16;
  const char* p = reinterpret_cast<const char*>(data + 2);
  size_t n = size - 2;

  bool done;
  Inflate(p, n, inStep, outStep, 1 << 22, &done);

  // Round trip.
  GzipStream gz;
  Error e;
  std::string packed;
  char window[512];
  gz.SetInput(p, static_cast<int>(n));
  for (int guard = 0; guard < 1 << 20; ++guard) {
    gz.SetOutput(window, sizeof window);
    int more = gz.Compress(true, &e);
    packed.append(window, sizeof window - gz.OutputLeft());
    if (!more || e.Test()) break;
  }
  FUZZ_CHECK(!e.Test());
  FUZZ_CHECK(gz.Done());
  std::string back = Inflate(packed.data(), packed.size(), inStep, outStep, n + 1, &done);
  FUZZ_CHECK(done);
  FUZZ_CHECK(back == std::string(p, n));
  return 0;
}
