// Test helpers for the journal reader: an in-memory file whose reads return
// at most a chosen number of bytes (to cross block boundaries anywhere),
// copied or lent in place, and
// a capture of every report that reaches the message log.
#ifndef ZT_TESTS_JOURNAL_JOURNAL_TEST_UTIL_H_
#define ZT_TESTS_JOURNAL_JOURNAL_TEST_UTIL_H_

#include <algorithm>
#include <string>
#include <vector>

#include "support/files/filesys.h"
#include "support/messages/message_log.h"

class MemFile : public FileSys {
 public:
  explicit MemFile(std::string content, int chunk = 1 << 30)
      : data(std::move(content)), chunk(chunk) {
    SetPath("mem.ckp");
  }
  void Open(int, Error*) override { pos = 0; ++opens; }
  void Write(const char*, int, Error*) override {}
  int Read(char* buf, int len, Error* e) override {
    int n = Next(static_cast<size_t>(len), e);
    if (n > 0) memcpy(buf, data.data() + pos - n, n);
    return n;
  }
  // With lend set, hands its bytes out in place, as a file read ahead does.
  int ReadLent(const char** out, Error* e) override {
    if (!lend) return kCannotLend;
    int n = Next(data.size(), e);
    if (n > 0) *out = data.data() + pos - n;
    return n;
  }
  void Close(Error*) override {}
  int Stat() override { return kStatExists; }
  void Unlink(Error*) override {}
  int64_t GetSize() override { return static_cast<int64_t>(data.size()); }

  static constexpr MessageId kReadFailed = {0x31011cfe, "read of %file% failed"};
  std::string data;
  int chunk;
  size_t pos = 0;
  int opens = 0;
  long failAt = -1;  // byte offset from which reads fail
  bool lend = false;
  size_t firstPiece = 0;  // when set, the first read gives at most this many bytes

 private:
  // Moves past the next piece of at most len bytes: its length, or -1.
  int Next(size_t len, Error* e) {
    if (failAt >= 0 && pos >= static_cast<size_t>(failAt)) {
      e->Set(kReadFailed) << "mem.ckp";
      return -1;
    }
    size_t n = std::min({len, static_cast<size_t>(chunk), data.size() - pos});
    if (pos == 0 && firstPiece) n = std::min(n, firstPiece);
    pos += n;
    return static_cast<int>(n);
  }
};

// Collects the text of every report while alive.
class ReportCapture {
 public:
  ReportCapture() { GetMessageLog()->SetHook(&Hook, this); }
  ~ReportCapture() { GetMessageLog()->SetHook(nullptr, nullptr); }
  // Each report's messages, newest first, one per line.
  std::vector<std::string> reports;
  std::string All() const {
    std::string s;
    for (const auto& r : reports) s += r + "\n";
    return s;
  }

 private:
  static void Hook(void* self, Error* e) {
    StrBuf text;
    e->FormatMessages(&text, 0);
    static_cast<ReportCapture*>(self)->reports.push_back(text.ToString());
  }
};

#endif  // ZT_TESTS_JOURNAL_JOURNAL_TEST_UTIL_H_
