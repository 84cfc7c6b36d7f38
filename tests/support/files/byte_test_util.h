// Byte sources and sinks in memory for the tests of the file layer's
// chains: a source handing out a string in pieces of a chosen size and
// failing after a chosen count, and a sink collecting what it is given and
// failing once a chosen count would be passed.
#ifndef ZT_TESTS_SUPPORT_FILES_BYTE_TEST_UTIL_H_
#define ZT_TESTS_SUPPORT_FILES_BYTE_TEST_UTIL_H_

#include <errno.h>

#include <algorithm>
#include <string>

#include "support/files/byte_sink.h"
#include "support/files/byte_source.h"
#include "support/files/file_io.h"

namespace testutil {

// "read: memory: Input/output error", the failure of both.
inline std::string MemoryFailure(const char* op) {
  Error e;
  FileIO::SetOsError(&e, op, StrPtr("memory"), EIO);
  return e.Text();
}

class StringSource : public ByteSource {
 public:
  // Pieces of at most piece bytes; with failAt, fails once that many bytes
  // have been read (as a handle does: at once, every time).
  StringSource(std::string data, size_t piece, size_t failAt = std::string::npos)
      : data_(std::move(data)), piece_(piece), failAt_(failAt) {}

  int Read(char* buf, int len, Error* e) override {
    if (at_ >= failAt_) {
      FileIO::SetOsError(e, "read", StrPtr("memory"), EIO);
      return -1;
    }
    size_t n = std::min({static_cast<size_t>(len), piece_, data_.size() - at_, failAt_ - at_});
    data_.copy(buf, n, at_);
    at_ += n;
    return static_cast<int>(n);
  }

 private:
  std::string data_;
  size_t piece_;
  size_t failAt_;
  size_t at_ = 0;
};

class StringSink : public ByteSink {
 public:
  // With failAt, a write that would take the output past that many bytes
  // fails, and so does every later one.
  explicit StringSink(std::string* out, int* finishes = nullptr, size_t failAt = std::string::npos)
      : out_(out), finishes_(finishes), failAt_(failAt) {}

  bool Write(const char* buf, int len, Error* e) override {
    if (failed_ || out_->size() + len > failAt_) {
      failed_ = true;
      FileIO::SetOsError(e, "write", StrPtr("memory"), EIO);
      return false;
    }
    out_->append(buf, len);
    return true;
  }
  bool Finish(Error*) override {
    if (finishes_) ++*finishes_;
    return !failed_;
  }

 private:
  std::string* out_;
  int* finishes_;
  size_t failAt_;
  bool failed_ = false;
};

}  // namespace testutil

#endif  // ZT_TESTS_SUPPORT_FILES_BYTE_TEST_UTIL_H_
