#include "support/files/gzip_sink.h"

GzipSink::GzipSink(std::unique_ptr<ByteSink> output, int threads, int level)
    : output_(std::move(output)),
      deflater_(threads, level, [this](const char* p, int n, Error* e) { return output_->Write(p, n, e); }) {}
