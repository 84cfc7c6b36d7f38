#include "support/text/charset_valid.h"

// Byte classes: 0 ASCII, 1 continuation, 2 two-byte lead, 3 E0, 4 E1-EC and
// EE-EF, 5 ED, 6 F0, 7 F1-F3, 8 F4, 9 never valid (C0, C1, F5-FF).
static unsigned char ByteClass(unsigned char c) {
  if (c < 0x80) return 0;
  if (c < 0xC0) return 1;
  if (c < 0xC2) return 9;
  if (c < 0xE0) return 2;
  if (c == 0xE0) return 3;
  if (c == 0xED) return 5;
  if (c < 0xF0) return 4;
  if (c == 0xF0) return 6;
  if (c < 0xF4) return 7;
  if (c == 0xF4) return 8;
  return 9;
}

struct ClassTable {
  unsigned char cls[256];
  ClassTable() {
    for (int i = 0; i < 256; ++i) cls[i] = ByteClass(static_cast<unsigned char>(i));
  }
};
static const ClassTable kTable;

int CharSetUTF8Valid::Valid(const char* buf, int len, const char** pos) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(buf);
  const unsigned char* end = p + len;
  const unsigned char* lead = p;  // lead of the sequence in progress
  while (p < end) {
    unsigned char c = *p;
    if (followers_ > 0) {
      if (c < lo_ || c > hi_) {
        if (pos) *pos = reinterpret_cast<const char*>(lead);
        Reset();
        return 0;
      }
      lo_ = 0x80;
      hi_ = 0xBF;
      --followers_;
      ++p;
      continue;
    }
    lead = p;
    switch (kTable.cls[c]) {
      case 0: break;
      case 2: followers_ = 1; break;
      case 3: followers_ = 2; lo_ = 0xA0; break;
      case 4: followers_ = 2; break;
      case 5: followers_ = 2; hi_ = 0x9F; break;
      case 6: followers_ = 3; lo_ = 0x90; break;
      case 7: followers_ = 3; break;
      case 8: followers_ = 3; hi_ = 0x8F; break;
      default:
        if (pos) *pos = reinterpret_cast<const char*>(p);
        Reset();
        return 0;
    }
    ++p;
  }
  if (pos) *pos = reinterpret_cast<const char*>(end);
  return followers_ > 0 ? 3 : 1;
}
