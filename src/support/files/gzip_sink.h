// GzipSink: writes one gzip member of the data to another sink, deflated in
// independent blocks by a BlockDeflater on threads of its own; the bytes
// depend only on the data and the level, never on the thread count.
#ifndef ZT_SUPPORT_FILES_GZIP_SINK_H_
#define ZT_SUPPORT_FILES_GZIP_SINK_H_

#include <memory>

#include "support/files/block_deflater.h"
#include "support/files/byte_sink.h"

class GzipSink : public ByteSink {
 public:
  // threads deflating threads (at least 1); level is zlib's (-1 to 9).
  GzipSink(std::unique_ptr<ByteSink> output, int threads, int level);

  bool Write(const char* buf, int len, Error* e) override { return deflater_.Write(buf, len, e); }
  // Writes the rest of the member and its trailer, then ends the output.
  bool Finish(Error* e) override { return deflater_.Finish(e) && output_->Finish(e); }

 private:
  std::unique_ptr<ByteSink> output_;
  BlockDeflater deflater_;  // stopped before output_ goes
};

#endif  // ZT_SUPPORT_FILES_GZIP_SINK_H_
