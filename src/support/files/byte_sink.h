// ByteSink: a stream of bytes written in blocks. A sink may hold bytes
// back (a compressor, a writing thread); Finish passes on everything held
// and ends the stream. Such a sink hands a failure to the caller once, at
// the next call, and fails every later call without a message.
#ifndef ZT_SUPPORT_FILES_BYTE_SINK_H_
#define ZT_SUPPORT_FILES_BYTE_SINK_H_

#include "support/messages/error.h"

class ByteSink {
 public:
  ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  virtual ~ByteSink() = default;

  // Takes len bytes; false after a failure.
  virtual bool Write(const char* buf, int len, Error* e) = 0;
  // Passes on what is held and ends the stream; false after a failure.
  virtual bool Finish(Error* e) = 0;
};

#endif  // ZT_SUPPORT_FILES_BYTE_SINK_H_
