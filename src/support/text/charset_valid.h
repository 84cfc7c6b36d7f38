// CharSetUTF8Valid: an incremental validator of UTF-8 text. It checks each
// complete sequence against the well-formed forms of the Unicode Standard
// (no C0, C1 or F5-FF leads, no surrogates, no overlong or out-of-range
// forms) and carries a sequence cut at the end of one chunk into the next.
#ifndef ZT_SUPPORT_TEXT_CHARSET_VALID_H_
#define ZT_SUPPORT_TEXT_CHARSET_VALID_H_

class CharSetUTF8Valid {
 public:
  CharSetUTF8Valid() { Reset(); }
  // Forgets any sequence carried over.
  void Reset() { followers_ = 0; lo_ = 0x80; hi_ = 0xBF; }
  // Checks len bytes: 1 valid (*pos = end), 0 invalid (*pos = the lead
  // byte of the bad sequence, or buf when it began in an earlier chunk), 3
  // the chunk ends inside a sequence (the state carries over).
  int Valid(const char* buf, int len, const char** pos);

 private:
  int followers_;          // continuation bytes still expected
  unsigned char lo_, hi_;   // allowed range of the next continuation byte
};

#endif  // ZT_SUPPORT_TEXT_CHARSET_VALID_H_
