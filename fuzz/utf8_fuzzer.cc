// Fuzzes the UTF-8 validator and the UTF-16 converters. The validator must
// agree with a plain reference decoder whether the text is given whole or
// cut into chunks; valid UTF-8 must survive UTF-8 -> UTF-16 -> UTF-8 in both
// byte orders; arbitrary bytes read as UTF-16 must convert or fail cleanly
// and any result must be valid UTF-8.
#include <memory>
#include <string>

#include "fuzz/fuzz_util.h"
#include "support/text/charset_cvt.h"
#include "support/text/charset_valid.h"

namespace {

// The reference: well-formed UTF-8 as the Unicode Standard tabulates it.
bool ReferenceValid(const unsigned char* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    int follow;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c < 0x80) { ++i; continue; }
    if (c >= 0xC2 && c <= 0xDF) follow = 1;
    else if (c == 0xE0) { follow = 2; lo = 0xA0; }
    else if (c == 0xED) { follow = 2; hi = 0x9F; }
    else if (c >= 0xE1 && c <= 0xEF) follow = 2;
    else if (c == 0xF0) { follow = 3; lo = 0x90; }
    else if (c == 0xF4) { follow = 3; hi = 0x8F; }
    else if (c >= 0xF1 && c <= 0xF3) follow = 3;
    else return false;
    for (int k = 1; k <= follow; ++k) {
      if (i + k >= n) return false;
      unsigned char d = p[i + k];
      if (d < (k == 1 ? lo : 0x80) || d > (k == 1 ? hi : 0xBF)) return false;
    }
    i += follow + 1;
  }
  return true;
}

// Runs the validator over the text in chunks of the given size.
bool ChunkedValid(const char* p, int n, int chunk) {
  CharSetUTF8Valid v;
  int at = 0;
  int r = 1;
  while (at < n) {
    int take = n - at < chunk ? n - at : chunk;
    const char* pos = nullptr;
    r = v.Valid(p + at, take, &pos);
    if (r == 0) return false;
    FUZZ_CHECK(r == 1 || r == 3);
    if (r == 1) FUZZ_CHECK(pos == p + at + take);
    at += take;
  }
  return r == 1;
}

// True when the text holds one of U+FDD0..U+FDEF (EF B7 90 to EF B7 AF),
// which the UTF-16 reader refuses by design.
bool HasRefusedNoncharacter(const unsigned char* u, int n) {
  for (int i = 0; i + 2 < n; ++i)
    if (u[i] == 0xEF && u[i + 1] == 0xB7 && u[i + 2] >= 0x90 && u[i + 2] <= 0xAF) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 1 || size > (1 << 16)) return 0;
  int chunk = 1 + data[0] % 7;
  const char* p = reinterpret_cast<const char*>(data + 1);
  int n = static_cast<int>(size - 1);
  const unsigned char* u = data + 1;

  bool valid = ReferenceValid(u, n);
  FUZZ_CHECK(ChunkedValid(p, n, n ? n : 1) == valid);
  FUZZ_CHECK(ChunkedValid(p, n, chunk) == valid);

  // A leading U+FEFF or U+FFFE reads back as a byte-order mark (the
  // latter swaps the order), so such text cannot round-trip.
  bool bomFirst = n >= 3 && u[0] == 0xEF &&
                  ((u[1] == 0xBB && u[2] == 0xBF) || (u[1] == 0xBF && u[2] == 0xBE));
  for (int order : {kLittleEndian, kBigEndian}) {
    CharSetCvtUTF816 to16(order, false);
    int len16 = 0;
    std::unique_ptr<char[]> w = to16.ConvertBuffer(p, n, &len16);
    if (valid && !HasRefusedNoncharacter(u, n)) {
      FUZZ_CHECK(w != nullptr);
      FUZZ_CHECK(len16 % 2 == 0);
      CharSetCvtUTF168 to8(order, false);
      int len8 = 0;
      std::unique_ptr<char[]> back = to8.ConvertBuffer(w.get(), len16, &len8);
      if (!bomFirst) {
        FUZZ_CHECK(back != nullptr);
        FUZZ_CHECK(len8 == n);
        FUZZ_CHECK(memcmp(back.get(), p, n) == 0);
      }
    }

    CharSetCvtUTF168 from16(order, false);
    int len8 = 0;
    std::unique_ptr<char[]> out = from16.ConvertBuffer(p, n, &len8);
    if (out) FUZZ_CHECK(ReferenceValid(reinterpret_cast<unsigned char*>(out.get()), len8));
  }
  return 0;
}
