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

// A read-only file over bytes the caller owns; each Read returns at most
// `chunk` bytes so that block boundaries fall anywhere in the input.
class FuzzFile : public FileSys {
 public:
  FuzzFile(const uint8_t* data, size_t size, int chunk)
      : data(reinterpret_cast<const char*>(data)), size(size), chunk(chunk < 1 ? 1 : chunk) {
    SetPath(StrPtr("fuzz.ckp"));
  }
  void Open(int, Error*) override { pos = 0; }
  void Write(const char*, int, Error*) override {}
  int Read(char* buf, int len, Error*) override {
    size_t n = std::min({static_cast<size_t>(len), static_cast<size_t>(chunk), size - pos});
    if (n) memcpy(buf, data + pos, n);
    pos += n;
    return static_cast<int>(n);
  }
  void Close(Error*) override {}
  int Stat() override { return FSF_EXISTS; }
  int64_t GetModTime() override { return 0; }
  int64_t GetAccessTime() override { return 0; }
  void Truncate(int64_t, Error*) override {}
  void TruncateToZero(Error*) override {}
  void Unlink(Error*) override {}
  void Rename(FileSys*, Error*) override {}
  void Chmod(int, Error*) override {}
  void StampModTime(Error*) override {}
  int64_t GetSize() override { return static_cast<int64_t>(size); }

 private:
  const char* data;  // not owned
  size_t size;
  int chunk;
  size_t pos = 0;
};

// Sends reports to standard output once per process.
inline void QuietMessageLog() {
  static bool done = false;
  if (done) return;
  done = true;
  GetMessageLog()->SetName("ztmigrate");
  GetMessageLog()->SetType(MessageLog::kStdout);
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
