// Gzip files made directly with zlib, to compare with what the file layer
// writes and to feed its reader: a single deflate stream of level 6 under
// the fixed ten-byte header, and the CRC and length trailer.
#ifndef ZT_TESTS_SUPPORT_FILES_GZIP_TEST_UTIL_H_
#define ZT_TESTS_SUPPORT_FILES_GZIP_TEST_UTIL_H_

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace testutil {

// The header the file layer writes: no name, no time, Unix.
inline std::string GzipHeader() { return std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10); }

// data as one raw deflate stream of the level (6 by default).
inline std::string RawDeflate(const std::string& data, int level = 6) {
  z_stream zs = {};
  deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// The trailer of data: its CRC-32 and its length, little-endian.
inline std::string GzipTrailer(const std::string& data) {
  std::string out;
  uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  for (uint32_t v : {crc, static_cast<uint32_t>(data.size())})
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// The whole gzip file of data.
inline std::string GzipOf(const std::string& data, int level = 6) {
  return GzipHeader() + RawDeflate(data, level) + GzipTrailer(data);
}

// The gzip file of data deflated in independent blocks of blockSize bytes,
// each primed with the 32 KiB before it and ended by a sync flush, the last
// by the end of the stream: what a gzip output of the file layer holds. The
// last block is the first one short of blockSize bytes, an empty one when
// the data fills its blocks exactly.
inline std::string BlockGzipOf(const std::string& data, int level = 6, size_t blockSize = 1 << 20) {
  std::string out = GzipHeader();
  size_t at = 0;
  bool last;
  do {
    size_t n = std::min(blockSize, data.size() - at);
    last = n < blockSize;
    z_stream zs = {};
    deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    size_t dict = std::min<size_t>(at, 32768);
    if (dict) deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(data.data() + at - dict),
                                   static_cast<uInt>(dict));
    std::string block(deflateBound(&zs, n) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
    zs.avail_in = static_cast<uInt>(n);
    zs.next_out = reinterpret_cast<Bytef*>(block.data());
    zs.avail_out = static_cast<uInt>(block.size());
    deflate(&zs, last ? Z_FINISH : Z_SYNC_FLUSH);
    out.append(block.data(), zs.total_out);
    deflateEnd(&zs);
    at += n;
  } while (!last);
  return out + GzipTrailer(data);
}

// Decompresses a whole gzip file with zlib's own gzip decoder; ok is false
// unless it holds exactly one complete member with a good trailer.
inline std::string Gunzip(const std::string& gz, bool* ok) {
  z_stream zs = {};
  inflateInit2(&zs, 16 + 15);
  std::string out;
  char buf[65536];
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  zs.avail_in = static_cast<uInt>(gz.size());
  int rc;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buf);
    zs.avail_out = sizeof buf;
    rc = inflate(&zs, Z_NO_FLUSH);
    out.append(buf, sizeof buf - zs.avail_out);
  } while (rc == Z_OK);
  *ok = rc == Z_STREAM_END && zs.avail_in == 0;
  inflateEnd(&zs);
  return out;
}

}  // namespace testutil

#endif  // ZT_TESTS_SUPPORT_FILES_GZIP_TEST_UTIL_H_
