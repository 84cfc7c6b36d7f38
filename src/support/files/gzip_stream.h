// GzipStream: the state of one gzip stream being written or read, over
// zlib's raw deflate and inflate. The gzip header and trailer are made and
// parsed here: written files begin with the fixed header 1f 8b 08 00 00 00
// 00 00 00 03 and end with the CRC-32 and the length of the data; read
// files may carry the optional extra, name, comment and header-CRC fields.
// Anything after the first deflate stream is ignored.
//
// The caller owns both windows: it points the input window at bytes to
// consume and the output window at room to fill, then runs a step until it
// reports that it needs more input, more room, or is complete.
#ifndef ZT_SUPPORT_FILES_GZIP_STREAM_H_
#define ZT_SUPPORT_FILES_GZIP_STREAM_H_

#include <zlib.h>

#include <cstdint>

#include "support/messages/error.h"

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

  // Compressing step: consumes the input window into the output window;
  // with finishing set, also ends the stream and adds the trailer. Returns
  // 1 to be called again (more input or room needed), 0 when the stream is
  // complete or failed (the failure is set in e).
  int Compress(bool finishing, Error* e);
  // Decompressing step: the same convention; 1 with the input window empty
  // asks for more input.
  int Decompress(Error* e);

  // True once the whole stream has been produced or read.
  bool Done() const { return state == kDone || state == kInflateDone; }
  bool Failed() const { return failed; }

 private:
  enum {
    kStart = 0, kCompress = 1, kFinish = 2, kTrailer = 3, kDone = 4,
    kHeader = 5, kFlags = 6, kExtraLen = 7, kExtra = 8, kString = 9,
    kInflate = 10, kInflateDone = 11
  };
  int Fail(const MessageId& id, Error* e);
  // Copies pending header or trailer bytes to the output window.
  bool DrainPending();

  z_stream zs;
  bool deflateStarted;
  bool inflateStarted;
  int state;
  const unsigned char* pendNext;
  const unsigned char* pendEnd;
  uint32_t crc;
  unsigned char header[10];
  int headerFill;   // header bytes gathered
  int headerNeed;   // header bytes still owed
  int flags;        // FLG bits still to process
  int extraLeft;    // extra-field bytes still to skip
  unsigned char trailer[8];
  bool failed;
};

#endif  // ZT_SUPPORT_FILES_GZIP_STREAM_H_
