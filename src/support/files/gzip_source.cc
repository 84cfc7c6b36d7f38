#include "support/files/gzip_source.h"

GzipSource::GzipSource(std::unique_ptr<ByteSource> input, const StrPtr& name, int inputSize)
    : input_(std::move(input)), inputBuffer_(new char[inputSize]), inputSize_(inputSize) {
  stream_.SetName(name);
}

int GzipSource::Read(char* buf, int len, Error* e) {
  if (!failed_ && !stream_.Done()) {
    stream_.SetOutput(buf, len);
    while (!stream_.Done()) {
      if (stream_.InputLeft() == 0 && !inputEnded_) {
        int n = input_->Read(inputBuffer_.get(), inputSize_, &failure_);
        if (n < 0) {
          failed_ = true;
          break;
        }
        if (n == 0) inputEnded_ = true;
        else stream_.SetInput(inputBuffer_.get(), n);
      }
      stream_.Decompress(&failure_);
      if (stream_.Failed()) {
        failed_ = true;
        break;
      }
      if (stream_.OutputLeft() == 0) break;
      if (inputEnded_ && stream_.InputLeft() == 0) {
        // The input is used up and zlib has given all it holds: the stream
        // is complete only when it ended just after a whole member.
        if (!stream_.EndOfInput(&failure_)) failed_ = true;
        break;
      }
    }
    int got = len - stream_.OutputLeft();
    if (got > 0) return got;  // a failure waits for the next call
  }
  if (!failed_) return 0;
  HandOverFailure(&failure_, e);
  return -1;
}
