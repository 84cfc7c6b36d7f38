#include "support/files/gzip_stream.h"

#include <string.h>

#include "support/files/files_messages.h"

GzipStream::GzipStream() : inflateStarted(false), state(kStart), failed(false), memberOpen(false), members(0) {
  memset(&zs, 0, sizeof(zs));
}

GzipStream::~GzipStream() {
  if (inflateStarted) inflateEnd(&zs);
}

int GzipStream::Fail(const MessageId& id, Error* e) {
  failed = true;
  e->Set(id);
  return 0;
}

int GzipStream::FailNamed(const MessageId& id, Error* e) {
  failed = true;
  e->Set(id) << fileName;
  return 0;
}

int GzipStream::FailInflate(int rc, Error* e) {
  failed = true;
  const char* why = zs.msg ? zs.msg : "no progress possible";
  if (rc == Z_MEM_ERROR) {
    e->Set(kMsgInflateFailed);
  } else if (rc == Z_DATA_ERROR && strcmp(why, "incorrect data check") == 0) {
    FailNamed(kMsgGzipCrc, e);
  } else if (rc == Z_DATA_ERROR && strcmp(why, "incorrect length check") == 0) {
    FailNamed(kMsgGzipLength, e);
  } else if (rc == Z_DATA_ERROR && strcmp(why, "incorrect header check") == 0) {
    // Not a gzip member where one must begin.
    FailNamed(members ? kMsgGzipTrailing : kMsgGzipMagic, e);
  } else {
    e->Set(kMsgGzipDamaged) << fileName << why;
  }
  return 0;
}

int GzipStream::Decompress(Error* e) {
  if (failed) return 0;
  if (state == kStart) {
    // Window bits 15 + 16: zlib reads the gzip header and checks the
    // trailer of each member itself.
    if (inflateInit2(&zs, 15 + 16) != Z_OK) return Fail(kMsgInflateInitFailed, e);
    inflateStarted = true;
    state = kInflate;
  }
  if (state != kInflate) return 0;
  for (;;) {
    if (!memberOpen) {
      if (zs.avail_in == 0) return 1;
      // Whatever follows a whole member must be another member.
      if (members > 0) {
        if (zs.next_in[0] != 0x1f) return FailNamed(kMsgGzipTrailing, e);
        if (inflateReset(&zs) != Z_OK) return Fail(kMsgInflateFailed, e);
      }
      memberOpen = true;
    }
    if (zs.avail_out == 0) return 1;
    // Called even without input: zlib may still hold output to give.
    const uInt inBefore = zs.avail_in;
    const uInt outBefore = zs.avail_out;
    int rc = inflate(&zs, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
      memberOpen = false;
      ++members;
      continue;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) return FailInflate(rc, e);
    if (zs.avail_in == 0 || zs.avail_out == 0) return 1;
    if (zs.avail_in == inBefore && zs.avail_out == outBefore) return FailInflate(Z_BUF_ERROR, e);
  }
}

bool GzipStream::EndOfInput(Error* e) {
  if (failed) return false;
  if (state == kInflateDone) return true;
  if (members > 0 && !memberOpen) {
    state = kInflateDone;
    return true;
  }
  FailNamed(kMsgGzipTruncated, e);
  return false;
}
