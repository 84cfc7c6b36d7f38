// GzipStream: the state of one gzip stream being read, over zlib's own gzip
// decoding, member after member, so a stream of several concatenated
// members reads as their data in order; every member's CRC-32 and length
// are checked, and the input must end exactly at the end of a member.
// Failures name the file given to SetName. (Gzip files are written by the
// BlockDeflater.)
//
// The caller owns both windows: it points the input window at bytes to
// consume and the output window at room to fill, then runs a step until it
// reports that it needs more input, more room, or is complete.
#ifndef ZT_SUPPORT_FILES_GZIP_STREAM_H_
#define ZT_SUPPORT_FILES_GZIP_STREAM_H_

#include <zlib.h>

#include <cstdint>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class GzipStream {
 public:
  GzipStream();
  ~GzipStream();
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  void SetInput(const char* p, int n) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p));
    zs.avail_in = static_cast<uInt>(n);
  }
  int InputLeft() const { return static_cast<int>(zs.avail_in); }
  void SetOutput(char* p, int n) {
    zs.next_out = reinterpret_cast<Bytef*>(p);
    zs.avail_out = static_cast<uInt>(n);
  }
  int OutputLeft() const { return static_cast<int>(zs.avail_out); }

  // Decompressing step: 1 to be called again (with the input window empty
  // it asks for more input, with the output window full for more room), 0
  // after a failure (set in e).
  int Decompress(Error* e);
  // Tells a stream being read that its input has ended: true when it ended
  // just after a whole member (the stream is then done), else sets the
  // truncation failure in e.
  bool EndOfInput(Error* e);

  // The file name that failures of a stream being read mention.
  void SetName(const StrPtr& name) { fileName.Set(name); }

  // True once the whole stream has been read.
  bool Done() const { return state == kInflateDone; }
  bool Failed() const { return failed; }

 private:
  enum { kStart = 0, kInflate = 1, kInflateDone = 2 };
  int Fail(const MessageId& id, Error* e);
  // As Fail, for a message whose one place is the file name.
  int FailNamed(const MessageId& id, Error* e);
  // Sets the failure for an inflate result (a zlib code other than OK).
  int FailInflate(int rc, Error* e);

  z_stream zs;
  bool inflateStarted;
  int state;
  bool failed;
  bool memberOpen;   // inside a member (its trailer not yet read)
  int64_t members;   // whole members read
  StrBuf fileName;
};

#endif  // ZT_SUPPORT_FILES_GZIP_STREAM_H_
