#include "support/files/gzip_stream.h"

#include <string.h>

#include "support/files/files_messages.h"
#include "support/messages/debug.h"

static const unsigned char kGzipHeader[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};

GzipStream::GzipStream()
    : deflateStarted(false),
      inflateStarted(false),
      state(kStart),
      pendNext(nullptr),
      pendEnd(nullptr),
      crc(0),
      failed(false),
      memberOpen(false),
      members(0) {
  memset(&zs, 0, sizeof(zs));
  memset(trailer, 0, sizeof(trailer));
}

GzipStream::~GzipStream() {
  if (deflateStarted) deflateEnd(&zs);
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

bool GzipStream::DrainPending() {
  if (pendNext == pendEnd) return true;
  size_t n = static_cast<size_t>(pendEnd - pendNext);
  if (n > zs.avail_out) n = zs.avail_out;
  memcpy(zs.next_out, pendNext, n);
  zs.next_out += n;
  zs.avail_out -= static_cast<uInt>(n);
  pendNext += n;
  return pendNext == pendEnd;
}

int GzipStream::Compress(bool finishing, Error* e) {
  if (failed) return 0;
  for (;;) {
    if (!DrainPending()) return 1;
    switch (state) {
      case kStart: {
        crc = crc32(0L, Z_NULL, 0);
        int level = GetLevel(ZT_ZLIB_COMPRESSION_LEVEL);
        if (deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
          return Fail(kMsgDeflateInitFailed, e);
        deflateStarted = true;
        pendNext = kGzipHeader;
        pendEnd = kGzipHeader + sizeof(kGzipHeader);
        state = kCompress;
        continue;
      }
      case kCompress: {
        if (zs.avail_in > 0) {
          if (zs.avail_out == 0) return 1;
          const Bytef* before = zs.next_in;
          int rc = deflate(&zs, Z_NO_FLUSH);
          if (rc != Z_OK && rc != Z_BUF_ERROR) return Fail(kMsgDeflateFailed, e);
          crc = crc32(crc, before, static_cast<uInt>(zs.next_in - before));
          return 1;
        }
        if (!finishing) return 1;
        state = kFinish;
        continue;
      }
      case kFinish: {
        if (zs.avail_out == 0) return 1;
        int rc = deflate(&zs, Z_FINISH);
        if (rc == Z_OK || rc == Z_BUF_ERROR) return 1;
        if (rc != Z_STREAM_END) return Fail(kMsgDeflateFailed, e);
        uint32_t len = static_cast<uint32_t>(zs.total_in);
        deflateStarted = false;
        if (deflateEnd(&zs) != Z_OK) return Fail(kMsgDeflateEndFailed, e);
        state = kTrailer;
        for (int i = 0; i < 4; ++i) {
          trailer[i] = static_cast<unsigned char>(crc >> (8 * i));
          trailer[4 + i] = static_cast<unsigned char>(len >> (8 * i));
        }
        continue;
      }
      case kTrailer:
        pendNext = trailer;
        pendEnd = trailer + sizeof(trailer);
        state = kDone;
        continue;
      default:
        return 0;
    }
  }
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
