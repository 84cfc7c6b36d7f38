// Fuzzes the gzip reader: the input is read through the gzip source in
// small, varying pieces with the output capped (a bomb must not be followed
// to the end), and, separately, written through the gzip sink and read back,
// which must give the input.
#include <memory>
#include <string>

#include "fuzz/fuzz_util.h"
#include "support/files/gzip_sink.h"
#include "support/files/gzip_source.h"
#include "tests/support/files/byte_test_util.h"

namespace {

// Reads the gzip bytes given in pieces of inStep bytes, in pieces of
// outStep; returns the bytes produced (stopping past limit). *done tells
// that the whole stream was read without a failure.
std::string Inflate(const std::string& in, int inStep, int outStep, size_t limit, bool* done) {
  GzipSource gz(std::make_unique<testutil::StringSource>(in, inStep), StrPtr("fuzz.gz"), 4096);
  Error e;
  std::string out, window(outStep, '\0');
  int n = 0;
  while (out.size() <= limit && (n = gz.Read(window.data(), outStep, &e)) > 0) out.append(window.data(), n);
  *done = n == 0 && !e.Test();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 2) return 0;
  int inStep = 1 + data[0] % 97;
  int outStep = 1 + data[1] * 16;
  std::string input(reinterpret_cast<const char*>(data + 2), size - 2);

  bool done;
  Inflate(input, inStep, outStep, 1 << 22, &done);

  // Round trip.
  std::string packed;
  Error e;
  {
    GzipSink gz(std::make_unique<testutil::StringSink>(&packed), 1, -1);
    for (size_t at = 0; at < input.size(); at += inStep)
      gz.Write(input.data() + at, static_cast<int>(std::min(input.size() - at, static_cast<size_t>(inStep))), &e);
    gz.Finish(&e);
  }
  FUZZ_CHECK(!e.Test());
  std::string back = Inflate(packed, inStep, outStep, input.size() + 1, &done);
  FUZZ_CHECK(done);
  FUZZ_CHECK(back == input);
  return 0;
}
