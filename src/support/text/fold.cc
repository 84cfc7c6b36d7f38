// Path folding in 7-bit, locale and UTF-8 modes.
#include "support/text/fold.h"

#include <cctype>

#include "support/messages/message_log.h"

namespace {

// Trailing-byte count by lead byte.
inline int TrailingBytes(unsigned char c) {
  if (c < 0xC0) return 0;
  if (c < 0xE0) return 1;
  if (c < 0xF0) return 2;
  if (c < 0xF8) return 3;
  if (c < 0xFC) return 4;
  return 5;
}

// Offsets subtracted after accumulating a sequence of 1 + t bytes.
const uint32_t kDecodeOffsets[4] = {0, 0x3080, 0xE2080, 0x3C82080};

}  // namespace

uint32_t FoldCodePoint(uint32_t cp) {
  if (cp >= 0x10000) {
    int lo = 0, hi = kCaseFoldSupplementaryCount - 1;
    while (lo <= hi) {
      int mid = (lo + hi) / 2;
      if (kCaseFoldSupplementary[mid][0] == cp) return kCaseFoldSupplementary[mid][1];
      if (kCaseFoldSupplementary[mid][0] < cp) lo = mid + 1; else hi = mid - 1;
    }
    return cp;
  }
  int lo = 0, hi = kCaseFoldBmpCount - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    uint32_t c = kCaseFoldBmp[mid][0];
    if (c == cp) return kCaseFoldBmp[mid][1];
    if (c < cp) lo = mid + 1; else hi = mid - 1;
  }
  return cp;
}

bool FoldUtf8(const char* text, uint32_t len, StrBuf* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  uint32_t i = 0;
  while (i < len) {
    unsigned char c = p[i];
    if (c < 0x80) {
      *out->Alloc(1) = static_cast<char>(FoldByte(c));
      ++i;
      continue;
    }
    int t = TrailingBytes(c);
    if (t < 1 || t > 3 || len - i <= static_cast<uint32_t>(t)) return false;
    uint32_t cp = c;
    for (int k = 1; k <= t; ++k) cp = (cp << 6) + p[i + k];
    // Trailing bytes are not checked for the continuation pattern, but a
    // sequence whose bytes are too small to decode (the subtraction would
    // wrap) cannot stand for any code point: it is malformed.
    if (cp < kDecodeOffsets[t]) return false;
    cp -= kDecodeOffsets[t];
    // Unchecked trailing bytes can accumulate a value beyond the 21 bits a
    // 4-byte form holds; re-encoding it would silently drop bits and fold
    // the path into some other path's key, so it is malformed too.
    if (cp > 0x1FFFFF) return false;
    i += 1 + t;
    cp = FoldCodePoint(cp);
    char* o;
    // Shortest form: a letter that folds into ASCII (KELVIN SIGN to "k",
    // LONG S to "s") leaves as one byte, as the same letter typed in ASCII.
    if (cp < 0x80) {
      *out->Alloc(1) = static_cast<char>(FoldByte(static_cast<unsigned char>(cp)));
    } else if (cp < 0x800) {
      o = out->Alloc(2);
      o[0] = static_cast<char>(0xC0 | (cp >> 6));
      o[1] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      o = out->Alloc(3);
      o[0] = static_cast<char>(0xE0 | (cp >> 12));
      o[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      o[2] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      o = out->Alloc(4);
      o[0] = static_cast<char>(0xF0 | ((cp >> 18) & 0x07));
      o[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      o[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      o[3] = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return true;
}

void FoldPath(const StrPtr& in, StrBuf* out, const FoldRules& rules) {
  out->Clear();
  const char* s = in.Text();
  uint32_t n = in.Length();
  if (rules.mode == FoldMode::kUtf8) {
    if (!FoldUtf8(s, n, out)) {
      Error e;
      e.Set(kMsgUtf8FoldFailure) << in;
      GetMessageLog()->Report(&e);
      out->Set(in);
      return;
    }
  } else if (rules.mode == FoldMode::kSevenBit || !rules.locale) {
    char* o = out->Alloc(n);
    for (uint32_t i = 0; i < n; ++i) o[i] = static_cast<char>(FoldByte(static_cast<unsigned char>(s[i])));
  } else {
    char* o = out->Alloc(n);
    for (uint32_t i = 0; i < n; ++i)
      o[i] = static_cast<char>(tolower_l(static_cast<unsigned char>(s[i]), rules.locale));
  }
  out->NulTerminate();
}
