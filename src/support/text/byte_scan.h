// FindAnyOf: the first of three given bytes in a range, sixteen bytes at a
// time with the vector instructions every x86-64 processor has, eight at a
// time elsewhere. For the short, frequent searches of the record scan,
// where a call to memchr per byte value costs more than the search.
#ifndef ZT_SUPPORT_TEXT_BYTE_SCAN_H_
#define ZT_SUPPORT_TEXT_BYTE_SCAN_H_

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The first byte in [p, end) equal to a, b or c, or end.
inline const char* FindAnyOf(const char* p, const char* end, char a, char b, char c) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  const __m128i vc = _mm_set1_epi8(c);
  auto hits = [&](const char* at) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                               _mm_cmpeq_epi8(v, vc));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
  };
  const char* const begin = p;
  for (; end - p >= 16; p += 16)
    if (unsigned m = hits(p)) return p + std::countr_zero(m);
  if (p != begin) {
    if (p == end) return end;
    // The last sixteen bytes, overlapping some already found clear.
    unsigned m = hits(end - 16);
    return m ? end - 16 + std::countr_zero(m) : end;
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    if (end - p >= 8) {
      constexpr uint64_t kOnes = 0x0101010101010101ull;
      // The high bit of each zero byte of v, exact for the lowest one.
      auto zeros = [](uint64_t v) { return (v - kOnes) & ~v & (0x80 * kOnes); };
      const uint64_t xa = static_cast<unsigned char>(a) * kOnes;
      const uint64_t xb = static_cast<unsigned char>(b) * kOnes;
      const uint64_t xc = static_cast<unsigned char>(c) * kOnes;
      auto hits = [&](const char* at) {
        uint64_t v;
        memcpy(&v, at, 8);
        return zeros(v ^ xa) | zeros(v ^ xb) | zeros(v ^ xc);
      };
      for (; end - p >= 8; p += 8)
        if (uint64_t m = hits(p)) return p + std::countr_zero(m) / 8;
      if (p == end) return end;
      uint64_t m = hits(end - 8);  // overlapping, as above
      return m ? end - 8 + std::countr_zero(m) / 8 : end;
    }
  }
  while (p < end && *p != a && *p != b && *p != c) ++p;
  return p;
}

#endif  // ZT_SUPPORT_TEXT_BYTE_SCAN_H_
