// GzipSource: the data of a gzip stream read from another source, through
// zlib's own gzip decoding (GzipStream): every member is read to its end and
// its trailer checked, and the input must end just after a whole member.
// Failures name the file given.
#ifndef ZT_SUPPORT_FILES_GZIP_SOURCE_H_
#define ZT_SUPPORT_FILES_GZIP_SOURCE_H_

#include <memory>

#include "support/files/byte_source.h"
#include "support/files/gzip_stream.h"

class GzipSource : public ByteSource {
 public:
  // Reads the compressed bytes from input in pieces of inputSize bytes.
  GzipSource(std::unique_ptr<ByteSource> input, const StrPtr& name, int inputSize);

  int Read(char* buf, int len, Error* e) override;

 private:
  std::unique_ptr<ByteSource> input_;
  std::unique_ptr<char[]> inputBuffer_;
  const int inputSize_;
  bool inputEnded_ = false;
  GzipStream stream_;
  bool failed_ = false;
  Error failure_;  // until handed over
};

#endif  // ZT_SUPPORT_FILES_GZIP_SOURCE_H_
