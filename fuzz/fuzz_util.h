// Helpers shared by the fuzz harnesses: an in-memory file that serves a
// fuzzer's bytes in chunks of a chosen size, and a one-time set-up that
// sends the message log to standard output (which the runner discards) so
// that reports of malformed input cost no terminal time.
#ifndef ZT_FUZZ_FUZZ_UTIL_H_
#define ZT_FUZZ_FUZZ_UTIL_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "tests/journal/journal_test_util.h"

// The in-memory file of the reader's tests, over a copy of the fuzzer's
// bytes; each Read returns at most `chunk` bytes so that block boundaries
// fall anywhere in the input.
class FuzzFile : public MemFile {
 public:
  FuzzFile(const uint8_t* bytes, size_t n, int chunk)
      : MemFile(std::string(reinterpret_cast<const char*>(bytes), n), chunk < 1 ? 1 : chunk) {
    SetPath(StrPtr("fuzz.ckp"));
  }
};

// Sends reports to standard output once per process.
inline void QuietMessageLog() {
  static bool done = false;
  if (done) return;
  done = true;
  GetMessageLog()->SetName("ztmigrate");
  GetMessageLog()->SetSink("stdout");
}

// Aborts the run (a finding) when the condition fails.
#define FUZZ_CHECK(cond)                                                        \
  do {                                                                          \
    if (!(cond)) {                                                              \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);  \
      abort();                                                                  \
    }                                                                           \
  } while (0)

#endif  // ZT_FUZZ_FUZZ_UTIL_H_
