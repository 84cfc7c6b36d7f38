// Gzip files made directly with zlib, to compare with what the file layer
// writes and to feed its reader: a single deflate stream of level 6 under
// the fixed ten-byte header, and the CRC and length trailer.
#ifndef ZT_TESTS_SUPPORT_FILES_GZIP_TEST_UTIL_H_
#define ZT_TESTS_SUPPORT_FILES_GZIP_TEST_UTIL_H_

#include <zlib.h>

#include <cstdint>
#include <string>

namespace testutil {

// The header the file layer writes: no name, no time, Unix.
inline std::string GzipHeader() { return std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10); }

// data as one raw deflate stream of level 6.
inline std::string RawDeflate(const std::string& data) {
  z_stream zs = {};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
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
inline std::string GzipOf(const std::string& data) { return GzipHeader() + RawDeflate(data) + GzipTrailer(data); }

}  // namespace testutil

#endif  // ZT_TESTS_SUPPORT_FILES_GZIP_TEST_UTIL_H_
