// ByteSource: a stream of bytes read in blocks into the caller's buffer.
// A source that produces bytes ahead of the caller (a decompressor, a
// reading thread) returns the bytes before a failure first; the failure
// comes at the next call, once, and every later call fails without a
// message.
#ifndef ZT_SUPPORT_FILES_BYTE_SOURCE_H_
#define ZT_SUPPORT_FILES_BYTE_SOURCE_H_

#include "support/messages/error.h"

class ByteSource {
 public:
  ByteSource() = default;
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;
  virtual ~ByteSource() = default;

  // Places up to len (> 0) bytes in buf: the count, 0 at the end of the
  // data, -1 after a failure (set in e the first time).
  virtual int Read(char* buf, int len, Error* e) = 0;
};

// Moves a failure held for later (by a source or sink working ahead of or
// behind the caller) into e; nothing once it has been handed over.
inline void HandOverFailure(Error* held, Error* e) {
  if (held->GetSeverity() == E_EMPTY) return;
  e->Merge(*held);
  held->Clear();
}

#endif  // ZT_SUPPORT_FILES_BYTE_SOURCE_H_
