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
      headerFill(0),
      headerNeed(0),
      flags(0),
      extraLeft(0),
      failed(false) {
  memset(&zs, 0, sizeof(zs));
  memset(header, 0, sizeof(header));
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

int GzipStream::Decompress(Error* e) {
  if (failed) return 0;
  for (;;) {
    if (headerNeed > 0) {
      int n = headerNeed < static_cast<int>(zs.avail_in) ? headerNeed : static_cast<int>(zs.avail_in);
      memcpy(header + headerFill, zs.next_in, n);
      zs.next_in += n;
      zs.avail_in -= n;
      headerFill += n;
      headerNeed -= n;
      if (headerNeed > 0) return 1;
    }
    switch (state) {
      case kStart:
        crc = crc32(0L, Z_NULL, 0);
        if (inflateInit2(&zs, -15) != Z_OK) return Fail(kMsgInflateInitFailed, e);
        inflateStarted = true;
        headerFill = 0;
        headerNeed = 10;
        state = kHeader;
        continue;
      case kHeader:
        if (header[0] != 0x1f || header[1] != 0x8b || header[2] != 8) return Fail(kMsgGzipMagic, e);
        flags = header[3];
        state = kFlags;
        continue;
      case kFlags:
        headerFill = 0;
        if (flags & 4) {
          flags &= ~4;
          headerNeed = 2;
          state = kExtraLen;
        } else if (flags & 8) {
          flags &= ~8;
          state = kString;
        } else if (flags & 0x10) {
          flags &= ~0x10;
          state = kString;
        } else if (flags & 2) {
          flags &= ~2;
          headerNeed = 2;  // the header CRC is not checked
        } else {
          state = kInflate;
        }
        continue;
      case kExtraLen:
        extraLeft = header[0] + 256 * header[1];
        state = kExtra;
        continue;
      case kExtra: {
        int n = extraLeft < static_cast<int>(zs.avail_in) ? extraLeft : static_cast<int>(zs.avail_in);
        zs.next_in += n;
        zs.avail_in -= n;
        extraLeft -= n;
        if (extraLeft > 0) return 1;
        state = kFlags;
        continue;
      }
      case kString: {
        const void* z = memchr(zs.next_in, 0, zs.avail_in);
        if (!z) {
          zs.next_in += zs.avail_in;
          zs.avail_in = 0;
          return 1;
        }
        uInt n = static_cast<uInt>(static_cast<const Bytef*>(z) - zs.next_in) + 1;
        zs.next_in += n;
        zs.avail_in -= n;
        state = kFlags;
        continue;
      }
      case kInflate: {
        if (zs.avail_out == 0) return 1;
        Bytef* before = zs.next_out;
        int rc = inflate(&zs, Z_NO_FLUSH);
        crc = crc32(crc, before, static_cast<uInt>(zs.next_out - before));
        if (rc == Z_OK) return 1;
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) return 1;  // wants input
        if (rc == Z_STREAM_END) {
          state = kInflateDone;
          return 0;
        }
        // Z_BUF_ERROR with input and room means no progress is possible.
        return Fail(kMsgInflateFailed, e);
      }
      default:
        return 0;
    }
  }
}
